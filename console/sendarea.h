#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTimer;
class QWidget;

// The send side of a tab that talks: typed text or hex from the send edit
// or from one-line presets, sent once, on a timer or in a cycle over the
// presets. It drives widgets the form already has and turns what is typed
// into bytes; the tab's writer puts them on its link and says whether the
// link took them. Only a send that went out clears its source.
//
// Timers run only while the user wants them and the tab can send
// (setReady), never on an idle page. When typed hex is not whole hex, what
// goes out is what the conversion keeps, and a note under the send edit
// says what was left out.
class SendArea : public QObject
{
    Q_OBJECT
public:
    enum class Source { Edit, Preset };
    Q_ENUM(Source)
    // Why a press sent nothing.
    enum class Refusal { Empty, NoHex };
    Q_ENUM(Refusal)
    // The bytes to send; true when the link took them.
    using Writer = std::function<bool(const QByteArray &bytes, Source source)>;

    struct Widgets
    {
        QPlainTextEdit *edit = nullptr;
        QCheckBox *hex = nullptr;
        QPushButton *send = nullptr;
        QPushButton *clear = nullptr;
        QCheckBox *newLine = nullptr;
        QCheckBox *autoClear = nullptr;
        // Timed send of the edit.
        QCheckBox *timer = nullptr;
        QSpinBox *timerMs = nullptr;
    };
    struct Preset
    {
        QLineEdit *edit = nullptr;
        QCheckBox *hex = nullptr;
        QPushButton *send = nullptr;
    };
    struct Presets
    {
        QList<Preset> lines;
        // The presets' newline and auto-clear boxes (may be the edit's).
        QCheckBox *newLine = nullptr;
        QCheckBox *autoClear = nullptr;
        // Cycle send over the presets.
        QPushButton *cycle = nullptr;
        QSpinBox *cycleMs = nullptr;
    };

    // The presets `<prefix>sendEdit<n>`, `<prefix>sendHex_ck<n>` and
    // `<prefix>sendButton<n>`, n from 1 to count.
    static QList<Preset> findPresets(const QWidget *form, const QString &prefix, int count);

    // The note is a label `<prefix>sendNote` put under the edit.
    SendArea(const QString &prefix, const Widgets &widgets, const Presets &presets,
             Writer writer, QObject *parent);

    // With a link to send to: buttons enabled, wanted timers running.
    void setReady(bool ready);
    bool isReady() const { return m_ready; }
    // An empty hex conversion is refused instead of sending nothing (or only
    // the newline).
    void setRefusesEmptyHex(bool refuses) { m_refusesEmptyHex = refuses; }

    bool timedSendRunning() const;
    bool cycleRunning() const { return m_cycleWanted; }

    // One tick of timed send and of cycle send.
    void timerTick();
    void cycleTick();

signals:
    void refused(SendArea::Refusal why);

private:
    void connectEdit();
    void connectPresets();
    void addNote(const QString &prefix);
    void sendEdit();
    void sendPreset(int index);
    // Whether the bytes went out.
    bool send(const QString &text, bool hex, bool newLine, Source source);
    void showLeftOut(const QString &leftOut);
    void toggleCycle();
    void updateTimers();

    Widgets m_widgets;
    Presets m_presets;
    Writer m_writer;
    QLabel *m_note = nullptr;
    QTimer *m_timer = nullptr;
    QTimer *m_cycleTimer = nullptr;
    int m_cycleIndex = 0;
    bool m_ready = false;
    bool m_cycleWanted = false;
    bool m_refusesEmptyHex = false;
};
