// Notifications of the session's events to the people who act on them: the settings of
// the group [Notify], the notice of one event, and what a web hook and a command receive
// of it (the program's JSON or a template, environment variables). QtCore only.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>
#include <utility>

#include "platform/notify_sender.h"

namespace platform {
class SettingsStore;
}

namespace publish {

struct NotifySettings {
    // Url=, ContentType= ("application/json" by default), Header1= to Header4=, CaFile=,
    // Command=.
    platform::NotifyTarget target;
    QString body;          // a template of the request's body; empty: the program's JSON
    QStringList events;    // the codes sent
    int repeatMinutes = 0; // 0: never repeated
    QString source;        // the settings file's base name
    QStringList problems;  // keys that could not be used, each said once at the start
    bool jsonBody() const;
};

// Every event's code, in the order of the README.
QStringList notifyCodes();
// The codes sent when Events= does not say.
QStringList defaultNotifyCodes();
// Nothing when the settings file has no group [Notify].
std::optional<NotifySettings> loadNotifySettings(const platform::SettingsStore &store);

// One event as it is sent.
struct Notice {
    QString code;   // "storm"
    QString text;   // "暴風 点検要", as the event log names it
    QString time;   // ISO 8601 with the offset, to the second
    QString site;   // the site's name, empty for none
    QString source; // the settings file's base name
    std::optional<double> mean, gust, instant;
    QString work;              // "normal", "caution", "stop", "undecided"; empty without [Site]
    bool storm = false;        // the storm's latch holds
    bool outOfService = false; // an inspection found a fault that is not yet cleared
    QString detail;            // an inspection's who and result, a failure's reason
    bool operator==(const Notice &) const = default;
};

// The program's own JSON body.
QByteArray noticeJson(const Notice &n);
// Body= with its placeholders filled ({event}, {text}, {time}, {site}, {source}, {mean},
// {gust}, {instant}, {work}, {detail}). For JSON: escaped inside a string (empty when
// unknown); standing as a value of its own, a number, a string or null when unknown.
QByteArray fillTemplate(const QString &tmpl, const Notice &n, bool json);
// The command's environment: QV475_EVENT, QV475_TEXT, ... QV475_STORM.
QList<std::pair<QString, QString>> noticeEnvironment(const Notice &n);

// What the hook and the command receive of the notice.
platform::Delivery delivery(const Notice &n, const NotifySettings &s);

} // namespace publish
