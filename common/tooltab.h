#pragma once

class QSettings;
struct SettingsRecord;

// What the window asks of a tool tab: its own fields of the settings record
// and of the program's settings, and its share of the window's once-a-second
// housekeeping; a tab that has no part in one of these leaves the empty
// default. A tab whose need of the tick can change also has a signal
// tickNeedChanged(), emitted whenever tickNeeded() may have changed, so the
// window can rest its timer while no tab needs it.
class ToolTab
{
public:
    virtual void saveSettings(SettingsRecord &) const {}
    // A stored value the tab's widgets cannot take leaves the widget as it is.
    virtual void loadSettings(const SettingsRecord &) {}

    // What the settings record has no room for, kept in the program's own
    // settings file (beside the language) under the tab's group.
    virtual void saveProgramSettings(QSettings &) const {}
    virtual void loadProgramSettings(const QSettings &) {}

    virtual bool tickNeeded() const { return false; }
    // One housekeeping second.
    virtual void tick() {}

protected:
    ~ToolTab() = default;
};
