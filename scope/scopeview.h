#pragma once

#include "samplestore.h"
#include "scopemeasure.h"
#include "triggerrun.h"

#include <QElapsedTimer>
#include <QStringList>
#include <QTimer>
#include <QVector>
#include <QWidget>

#include <array>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class DecimatedSeries;
class Dialogs;
class MeasureTable;
class QwtPlotMarker;
class ScopeAnalysis;
class ScopeCursors;
struct ScopeReadouts;
class QCheckBox;
class QLineEdit;
class QwtPlot;
class TextLineDecoder;
struct SettingsRecord;

namespace Ui {
class ScopeView;
}

// The "虚拟示波器" page: up to eight channels of samples, from the car's
// sample frames or from rows a decoder makes of what a firmware prints.
//
// Samples go into the store at once; the plot is redrawn from a timer, at
// most about 60 times a second and only when something changed, so a car
// streaming thousands of samples a second never holds up the window.
class ScopeView : public QWidget
{
    Q_OBJECT
public:
    explicit ScopeView(Dialogs &dialogs, QWidget *parent = nullptr);
    ~ScopeView() override;

    // Payload bytes of one sample frame with the current settings:
    // channel count × size of the sample type.
    int payloadLength() const;

    // The count and type as the widgets show them now.
    int channelCountSetting() const;
    int typeCodeSetting() const;
    void applySettings(int channelCount, int typeCode);
    // The channel count, the sample type as the combo's index, and each
    // channel's name and whether it is shown.
    void saveSettings(SettingsRecord &record) const;
    void loadSettings(const SettingsRecord &record);

    // Where samples come from. Car frames are cut and typed by the channel
    // count and type set on the page. Decoded rows bring their own values:
    // the type box does not apply, the channel count follows the widest row
    // since the store was last emptied, and the first rows set the Y range.
    enum class Feed { CarFrames, DecodedRows };
    void setFeed(Feed feed);
    Feed feed() const { return m_feed; }

    // The car link opened (settings fixed) or closed.
    void setLinkOpen(bool open);

    // One decoded row: values of channels 1..count (1..8). A channel the row
    // leaves out keeps its last value.
    void appendRow(const double *values, int count);
    // Names the data gives its channels (names[i] for channel i+1). A name
    // is written into the channel's name field when it first appears; the
    // user may change it afterwards.
    void nameChannels(const QStringList &names);
    // Labels the data brought after all channels were named: said once, on
    // the page, with the first label refused.
    void reportRefusedLabels(qint64 count, const QString &firstLabel);
    // Both of the above from a text decoder, after it was fed.
    void followLabels(const TextLineDecoder &decoder);

    // One sample frame's payload, `length` bytes as fixed at open.
    void handleFrame(const char *payload, int length);

    int framesReceived() const { return m_framesReceived; }
    // Values left out as infinite or NaN since the store was last emptied:
    // samples the store refused and values a text decoder skipped.
    qint64 nonFiniteIgnored() const;

    // Stores one sample of every channel in use, already converted.
    void appendSample(const double *values);

    const SampleStore &store() const { return m_store; }
    int channelCount() const { return m_channelCount; }
    int typeCode() const { return m_typeCode; }

    // Draws a pending change now instead of at the next redraw tick.
    void redrawNow();
    bool redrawPending() const { return m_redrawTimer.isActive(); }

    // "暂停": the picture stands still (new samples are stored all the same).
    bool isHeld() const { return m_holdEnd.has_value(); }
    // Samples per second: the one set on the page, else the measured one.
    std::optional<double> sampleRate() const;

    // The name the page gives channel 0..7.
    QString channelName(int channel) const;

    // Holds the waveform on samples first..last (sequence numbers) with
    // cursor A at `a` and cursor B at `b`; a cursor not given is removed.
    void showSamples(quint64 first, quint64 last, std::optional<quint64> a,
                     std::optional<quint64> b);
    // Vertical lines at these samples (sequence numbers), the last
    // kMaxMarks of them.
    static constexpr size_t kMaxMarks = 64;
    void setMarks(const std::vector<quint64> &sequences);

signals:
    // The plot is about to be drawn anew: at most about 30 times a second
    // while samples arrive, and not at all while nothing changes. Marks set
    // meanwhile are drawn with it.
    void redrawing();
    // A channel's name was changed.
    void channelsRenamed();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setUpPlot();
    void connectControls();
    void updateChannelWidgets();
    void followChannelCount(int count);
    void scheduleRedraw();
    void redraw();
    void trackNewest();
    void setXRange(double min, double max);
    void setYRange(double min, double max);
    void zoomX(double factor);
    void zoomY(double factor);
    void moveYToZero();
    void applyTypePreset(int index);
    void clearSamples();
    void exportSamples();
    void importSamples();
    void storeHeldSamples();
    void fitYToStoredSamples();
    void updateNote();

    // Measuring: hold, cursors and readout, the table, trigger, spectrum
    // and XY, the picture.
    enum class Display { Waveform, Spectrum, Xy };
    void setUpMeasuring();
    void connectMeasuring();
    void followStream();
    void moveToNewest();
    std::pair<double, double> waveformXRange() const;
    void setWaveformXRange(double min, double max);
    double waveformYSpan() const;
    quint64 windowSamples() const;
    void showTrigger(quint64 trigger);
    void holdToggled(bool held);
    void configureTrigger();
    void rearmTrigger();
    void updateTriggerState();
    void setDisplay(int index);
    void fitAnalysisAxes();
    void savePicture();
    bool channelShown(int channel) const;
    void nameChannelChoices();
    SampleRange measurementPositions() const;
    ScopeReadouts readouts() const;
    void updateReadout();
    void updateCursorInfo();
    void updateMeasurements();
    void updateAnalysis();

    Dialogs &m_dialogs;
    std::unique_ptr<Ui::ScopeView> ui;
    SampleStore m_store;
    std::array<QLineEdit *, SampleStore::kChannels> m_nameEdits{};
    std::array<QCheckBox *, SampleStore::kChannels> m_shownChecks{};
    std::array<DecimatedSeries *, SampleStore::kChannels> m_series{}; // owned by the curves
    bool m_plotReady = false;
    int m_channelCount = 8;
    bool m_linkOpen = false;
    int m_typeCode = 0;
    int m_framesReceived = 0;
    Feed m_feed = Feed::CarFrames;
    double m_lastRow[SampleStore::kChannels] = {};
    QStringList m_dataNames;
    bool m_refusalReported = false;
    QString m_labelNote;
    qint64 m_textNonFinite = 0;
    qint64 m_decoderNonFiniteSeen = 0;
    qint64 m_noteNonFinite = 0; // the count the note shows
    bool m_fitYPending = false;
    QTimer m_redrawTimer;
    QElapsedTimer m_sinceRedraw;
    bool m_storedSinceRedraw = false;
    // While a file is written or read, the progress window keeps the event
    // loop running and frames keep arriving; their samples wait here (one
    // row of kChannels values each) so the file sees a store that holds
    // still, and are stored when it is done.
    bool m_fileBusy = false;
    QVector<double> m_heldSamples;

    ScopeCursors *m_cursors = nullptr; // owned by the plot
    MeasureTable *m_measureTable = nullptr; // owned by the table
    std::unique_ptr<ScopeAnalysis> m_analysis;
    QwtPlotMarker *m_levelLine = nullptr; // owned by the plot
    std::vector<QwtPlotMarker *> m_marks; // owned by the plot, created as needed
    size_t m_markCount = 0; // the first ones are in use
    bool m_redrawing = false;
    Display m_display = Display::Waveform;
    // The waveform's ranges while the plot shows another picture.
    std::pair<double, double> m_waveX{0, 300};
    std::pair<double, double> m_waveY{0, 1000};
    bool m_fitAnalysisPending = false;
    // One past the newest sample shown while held.
    std::optional<quint64> m_holdEnd;
    TriggerRun m_trigger;
    QElapsedTimer m_sinceTrigger;
    SampleRateMeter m_rateMeter;
    QElapsedTimer m_clock;
    quint64 m_arrivedSinceRedraw = 0;
    QElapsedTimer m_sinceMeasure;
    qint64 m_measureCostMs = 0;
};
