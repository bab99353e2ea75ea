#pragma once

class QSettings;
struct SettingsRecord;

// What the window asks of a tool tab: its own fields of the settings record
// and of the program's settings, and its share of the window's once-a-second
// housekeeping. A tab whose need of the tick can change also has a signal
// tickNeedChanged(), emitted whenever tickNeeded() may have changed, so the
// window can rest its timer while no tab needs it.
class ToolTab
{
public:
    virtual void saveSettings(SettingsRecord &record) const = 0;
    // A stored value the tab's widgets cannot take leaves the widget as it is.
    virtual void loadSettings(const SettingsRecord &record) = 0;

    // What the settings record has no room for, kept in the program's own
    // settings file (beside the language) under the tab's group.
    virtual void saveProgramSettings(QSettings &) const {}
    virtual void loadProgramSettings(const QSettings &) {}

    virtual bool tickNeeded() const = 0;
    // One housekeeping second.
    virtual void tick() = 0;

protected:
    ~ToolTab() = default;
};
