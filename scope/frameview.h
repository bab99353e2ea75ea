#pragma once

#include "framedescription.h"

#include <QByteArray>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

class CustomFrameDecoder;
class Dialogs;

namespace Ui {
class FrameView;
}

// The "帧格式" page: the description of a binary frame format as text, its
// fields as a table, a box that reads one pasted frame with it, and, while
// a decoder reads a stream with it, the last good frame and the counters.
//
// Only a description that parses is taken into use; a refused one is named
// on the page with its field and the one in use stays.
class FrameView : public QWidget
{
    Q_OBJECT
public:
    // Description files are read up to this size.
    static constexpr int kMaxFileBytes = 64 * 1024;
    // How often the counters and the last frame follow the decoder.
    static constexpr int kRefreshMs = 200;
    // The last good frame shows this many bytes at most; the rest is counted.
    static constexpr int kMaxShownBytes = 256;

    explicit FrameView(Dialogs &dialogs, QWidget *parent = nullptr);
    ~FrameView() override;

    // The description in use, and its text as captures keep it (compact
    // JSON, keys sorted), and as it was applied, laid out by the user, for
    // the program's settings.
    const FrameFormat::Description &description() const { return m_description; }
    QByteArray descriptionText() const { return m_applied; }
    QByteArray descriptionSource() const { return m_appliedSource; }

    // Takes `json` into use as "应用" does, but without asking the guard;
    // the text is shown in the editor either way. False when refused.
    bool applyText(const QByteArray &json, FrameFormat::Refusal *refusal = nullptr);

    // Asked before "应用" or "打开…" changes the description in use: empty
    // lets it, else the reason it may not now.
    void setApplyGuard(std::function<QString()> guard) { m_guard = std::move(guard); }

    // Shows the counts and the last good frame of `decoder` every
    // kRefreshMs until called with nullptr (before the decoder goes), which
    // shows them once more and stops the timer. The last frame is drawn
    // only while the page is on screen.
    void follow(const CustomFrameDecoder *decoder);

signals:
    // Another description is in use.
    void applied();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void applyEditedText();
    bool takeIntoUse(const QByteArray &json, FrameFormat::Refusal *refusal);
    void showFields();
    void testPastedFrame();
    void refresh(bool hiddenToo = false);
    void showLastFrame(const QByteArray &frame);
    void openFile();
    void saveFile();

    std::unique_ptr<Ui::FrameView> ui;
    Dialogs &m_dialogs;
    std::function<QString()> m_guard;
    FrameFormat::Description m_description;
    QByteArray m_applied;
    QByteArray m_appliedSource;
    QString m_fileName;
    const CustomFrameDecoder *m_decoder = nullptr;
    QTimer m_refreshTimer;
    qint64 m_shownGood = -1; // the good frames the last frame view was drawn at
};
