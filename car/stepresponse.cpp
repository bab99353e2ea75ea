#include "stepresponse.h"

#include "samplestore.h"

StepMetrics measureStep(const double *, quint64, double, double, double)
{
    return {};
}

StepAnalyzer::StepAnalyzer(const Settings &settings) : m_settings(settings) {}

void StepAnalyzer::setSettings(const Settings &settings)
{
    m_settings = settings;
    reset();
}

void StepAnalyzer::update(const SampleStore &) {}

void StepAnalyzer::addParameterStep(quint64, double, double, const QString &) {}

void StepAnalyzer::setParameters(quint64, const QString &) {}

void StepAnalyzer::reset()
{
    m_steps.clear();
}
