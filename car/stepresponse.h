#pragma once

#include <QString>
#include <QtGlobal>

#include <deque>
#include <optional>
#include <vector>

class SampleStore;

// How a response followed one step of its set-point. Times are in samples
// from the step (the sample at the step is 0), placed between samples by
// linear interpolation; the page turns them into ms when it has a rate.
struct StepMetrics
{
    // The first sample at which the response has come 10 % of the change,
    // a whole number (a pure delay of d samples gives d); none while it has
    // not.
    std::optional<double> delay;
    // From 10 % to 90 % of the change; none while the response has not
    // reached 90 %.
    std::optional<double> riseTime;
    // From the step until the response stays inside the band around the
    // final set-point up to the step's end; none while it has not settled.
    std::optional<double> settlingTime;
    // How far the response went beyond the final value, in percent of the
    // change's size; 0 when it never did.
    double overshootPercent = 0;
    // Mean of the response over the last tenth of the step minus the final
    // set-point.
    double steadyStateError = 0;
    // The response stayed inside the band at least over the step's last
    // tenth (the stretch the steady-state error is taken from).
    bool settled = false;
    // The sample (from the step) from which the response stays inside the
    // band: the settling time rounded up to a whole sample.
    quint64 settledAt = 0;
};

// The band in which a response counts as settled, as a share of the step's
// size: 2 % (the default) or 5 %.
constexpr double kStepBand2 = 0.02;
constexpr double kStepBand5 = 0.05;

// Measures `count` samples of a response, response[0] being the sample at
// the step and the last one the sample before the next step (or the newest
// one), against a set-point that went from `from` to `to`; `band` is the
// settling band's share of |to − from|. A step of size 0, fewer than two
// samples, or a response straying more than a billion times the step's
// size from `from` give empty metrics.
//
// Noise on the response is measured on the step's last stretch; when there
// is some, the levels are searched on the response averaged over a few
// samples around each one (never more than a quarter of the time it takes
// to come halfway), so a single noisy sample neither crosses a level early
// nor leaves the band late, and an overshoot within the remaining noise
// counts as none.
StepMetrics measureStep(const double *response, quint64 count, double from, double to,
                        double band);

// Where steps come from: a set-point channel of the store, or the values
// the parameter page sends.
enum class StepSource { Channel, Parameter };

struct StepSettings
{
    StepSource source = StepSource::Channel;
    int setpointChannel = 0; // 0..7, with StepSource::Channel
    int responseChannel = 1; // 0..7
    double minSize = 0;      // a jump must be larger than this; negative counts as 0
    double band = kStepBand2;
};

// One step found in the stream.
struct Step
{
    quint64 start = 0; // sequence number of the sample at the step (SampleStore::firstSequence())
    double from = 0;   // set-point before the step
    double to = 0;     // set-point after it
    QString parameters; // the parameter page's rows as sent at the step, e.g. "kp=1.25 ki=0.10"
    StepMetrics metrics;
    quint64 length = 0; // samples measured: up to the next step, or stored so far while open
    bool open = true;   // the newest step: its figures change as samples arrive
};

// Finds steps of a set-point in the oscilloscope's store as samples arrive
// and measures how a response channel follows each.
//
// A step of a set-point channel is a jump between two steady stretches:
// the set-point changes by more than the minimum size from one sample to
// the next, and it held its value for kSteadySamples samples before the
// jump and holds the new one for kSteadySamples samples from it. "Held"
// allows changes up to the minimum size, so with the default minimum 0 it
// means unchanged. A ramp (a change at every sample) therefore starts no
// step, whatever its slope, and neither does a change no larger than the
// minimum size. A step is known once its kSteadySamples have arrived.
//
// With parameter steps as the source, only addParameterStep() starts steps.
class StepAnalyzer
{
public:
    static constexpr int kSteadySamples = 4;
    static constexpr size_t kMaxSteps = 1000; // the oldest are dropped beyond this

    using Source = StepSource;
    using Settings = StepSettings;

    explicit StepAnalyzer(const Settings &settings = Settings());

    // New settings forget every step and look at every stored sample again
    // on the next update(). Channels are clamped to 0..7; a band outside
    // 0..1 is the 2 % one.
    void setSettings(const Settings &settings);
    const Settings &settings() const { return m_settings; }

    // Looks at the samples stored since the last call for new steps, closes
    // and measures the step a new one ends, and refreshes the figures of the
    // open step (at every call while it is short, once it has grown by a
    // sixteenth when it is long, and in full when it closes). Samples that
    // slid out of the store before being seen are skipped; a store cleared
    // since the last call (its numbering started over) starts the analysis
    // over, with the parameters last in force.
    void update(const SampleStore &store);

    // A value sent from the parameter page: with Source::Parameter it starts
    // a step at `atSequence` (the store's endSequence() when it went out)
    // from `from` to `to`, closing the open one. With either source it
    // becomes the parameters in force from that sample on.
    void addParameterStep(quint64 atSequence, double from, double to, const QString &parameters);
    // The parameters in force from `atSequence` on, without a step (a row
    // that is not the set-point source was sent).
    void setParameters(quint64 atSequence, const QString &parameters);

    // Forgets every step; the samples looked at already are not looked at
    // again, so the table starts empty and fills with the steps to come.
    void reset();

    // Oldest first; the last one may be open.
    const std::deque<Step> &steps() const { return m_steps; }

private:
    struct PendingJump
    {
        quint64 at = 0;
        double from = 0;
        double to = 0;
    };
    struct ParametersFrom
    {
        quint64 at = 0;
        QString text;
    };

    void scanSetpoint(const SampleStore &store, quint64 firstNew);
    void openStep(quint64 at, double from, double to);
    void measure(const SampleStore &store, Step &step, quint64 end);
    void forgetSetpointHistory();
    QString parametersAt(quint64 sequence) const;

    Settings m_settings;
    std::deque<Step> m_steps;
    std::vector<quint64> m_closedUnmeasured; // starts of steps closed since the last update
    std::deque<ParametersFrom> m_parameters; // increasing `at`
    quint64 m_seenEnd = 0; // sequence one past the newest sample looked at
    quint64 m_measuredLength = 0; // of the open step at its last measurement
    // The set-point channel's recent history.
    double m_lastValue = 0;
    bool m_haveLast = false;
    int m_run = 0; // samples of the current steady stretch, up to m_lastValue
    std::optional<PendingJump> m_pending; // a jump waiting for its steady samples
};
