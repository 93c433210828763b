// The settings in the group [Settings] of the store, as one value: loaded and saved once,
// handed to the settings dialog as a copy and taken back from it. The process-wide
// variables of the same names mirror the value.
#pragma once

#include "site/wind_rule.h"

#include <QString>
#include <optional>

namespace platform {
class SettingsStore;
}

namespace basSubMain {

// The group [Site]: the site's work rule on the rolling mean of the instantaneous wind.
// Off, and never written, unless switched on. Speeds in 0.1 m/s.
struct SiteSettings {
    bool enabled = false;
    int minutes = 10;      // the mean's window, 1 to 60
    int caution = 80;      // mean at or above: caution
    int stop = 100;        // mean at or above: work stops
    int storm = 300;       // instantaneous strictly above: storm, inspection needed
    int holdMinutes = 10;  // the mean below a threshold this long leaves its state, 0 to 60
    QString name;          // the site's name in the reports' titles (Name=), none by default
    bool scaffold = false; // ScaffoldInspection=1: a stop latches the scaffolds' inspection
    // The meter's identity on the day report, as the file gives them (none by default):
    // where the anemometer stands (Position=), its height (Height=, "25 m") and the
    // meter's serial number (Serial=).
    QString position = {}, height = {}, serial = {};
    // Archive=: a folder where each closed day's records and their manifest are copied too.
    QString archive = {};
    bool operator==(const SiteSettings &) const = default;
    static constexpr int kMinMinutes = 1, kMaxMinutes = 60, kMaxHoldMinutes = 60;
    static constexpr int kMinSpeed = 1, kMaxSpeed = 9999;
};

// Why the site's settings cannot be used (for the dialog), or empty: the thresholds must
// rise from caution to stop to storm.
QString siteSettingsError(const SiteSettings &site);
// The rule's thresholds and hold from the site's settings, for the live rule and the rule
// over past rows alike: thresholds out of order are never used, the rule's defaults stand
// in for them.
site::Thresholds ruleThresholds(const SiteSettings &site);

// Why the group [Site] of a settings file cannot be used, naming the key ("Stop=abc ..."),
// or empty: a key of the rule that is there but not a value in its range, or thresholds
// out of order. Empty while the rule is off.
QString siteFileError(const platform::SettingsStore &store);

// "12.5" (a decimal with at most one place, 0.1 to 999.9) in 0.1 m/s; nothing otherwise.
std::optional<int> parseSpeed(const QString &text);

struct Settings {
    qint16 port = 1;
    QString comSt = QStringLiteral("9600,n,8,1");
    QString fName;
    qint16 fOut = 31;
    qint16 fTime = 600;
    // Reconnect by itself after the meter fell silent; off unless switched on.
    bool reconnect = false;
    // Sound the alarm; on unless switched off.
    bool sound = true;
    // The interface's language as Language= holds it ("ja", "en", or anything else for
    // the system's), and Bilingual=1 (the site's words in both languages). Both are read
    // when the program starts.
    QString language;
    bool bilingual = false;
    SiteSettings site;
    // The USB adapter of the configured port (PortId=, platform::PortIdentity's text), so
    // that it is found again under another name; empty: not known.
    QString portId = {};
    bool operator==(const Settings &) const = default;
};

// Decimal text to a 16-bit integer: optional sign, digits, no blanks; nothing otherwise.
std::optional<qint16> parseInt16(const QString &text);

// Reads Port, ComSt, fName, fOut, fTime, Reconnect and Sound, and the group [Site] (its Name
// as well, read and written whether the rule is on or not); an
// absent key, or a key that is not a number in its range, gives that key's default.
Settings readSettings(const platform::SettingsStore &store);
// Writes Port, ComSt, fName, fOut and fTime, integers as plain decimal text, and Reconnect
// and Sound ("1" or "0") when they differ from their defaults or the store has them
// already, so that a file that never had them keeps the keys it had; [Site] likewise,
// when it is switched on or the store has it.
void writeSettings(const Settings &settings, platform::SettingsStore &store);
// Keeps PortId= in the store at once (the adapter of the configured port was identified
// while the program runs); false when the store could not be written.
bool keepPortId(platform::SettingsStore &store, const QString &portId);
// The process-wide variables set from the value.
void mirrorSettings(const Settings &settings);

// Reads the store into the process-wide variables, and returns what it read.
Settings LoadSettings(const platform::SettingsStore &store);
void SaveSettings(platform::SettingsStore &store, const Settings &settings);
// SaveSettings, then the file written: what the person is to be told when it could not be
// written, or when unreadable lines made a copy of the old file first; empty when neither.
QString SaveSettingsSaying(platform::SettingsStore &store, const Settings &settings);

} // namespace basSubMain
