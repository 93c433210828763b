// Stand-ins for the outside world that record what was asked and answer what the test chose.
#pragma once

#include "platform/alerts.h"
#include "platform/clock.h"
#include "platform/file_output.h"
#include "platform/message_box.h"
#include "platform/mqtt_client.h"
#include "platform/serial_port.h"
#include "platform/serial_settings.h"
#include "platform/services.h"
#include "platform/settings_store.h"
#include "platform/sleep_inhibitor.h"
#include "platform/timer.h"

#include <QList>
#include <QMap>
#include <QSet>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

namespace fakes {

// A disk that stalls: the writes of every file on one gate wait while it is shut.
class GatedFile : public platform::LocalFileOutput
{
public:
    struct Gate {
        std::mutex mutex;
        std::condition_variable changed;
        bool open = true;
    };
    explicit GatedFile(std::shared_ptr<Gate> gate = std::make_shared<Gate>())
        : gate(std::move(gate))
    {}
    bool write(const QByteArray &bytes, QString *error) override
    {
        {
            std::unique_lock lock(gate->mutex);
            gate->changed.wait(lock, [this] { return gate->open; });
        }
        return LocalFileOutput::write(bytes, error);
    }
    void setOpen(bool open)
    {
        {
            std::lock_guard lock(gate->mutex);
            gate->open = open;
        }
        gate->changed.notify_all();
    }
    std::shared_ptr<Gate> gate;
};

struct Box {
    QString text, title;
    platform::MessageBox::Icon icon;
    platform::MessageBox::Buttons buttons;
};

class MessageBox : public platform::MessageBox
{
public:
    Answer show(QWidget *, const QString &text, const QString &title, Icon icon,
                Buttons buttons) override
    {
        shown.append({text, title, icon, buttons});
        if (onShow)
            onShow();
        if (buttons == Buttons::Ok)
            return Answer::Ok;
        if (answers.empty())
            return Answer::No;
        const Answer a = answers.front();
        answers.pop_front();
        return a;
    }
    QList<Box> shown;
    std::deque<Answer> answers; // for Yes/No boxes; No when none is left
    std::function<void()> onShow;
};

class Clock : public platform::Clock
{
public:
    QDateTime now() const override { return current; }
    QDateTime current{QDate(2013, 12, 4), QTime(9, 5, 37)};
};

class Timer : public platform::Timer
{
public:
    void setInterval(int ms) override { m_interval = ms; }
    int interval() const override { return m_interval; }
    void setEnabled(bool on) override { m_enabled = on; }
    bool isEnabled() const override { return m_enabled; }
    void fire() { emit timeout(); }

private:
    int m_interval = 0;
    bool m_enabled = false;
};

class SettingsStore : public platform::SettingsStore
{
public:
    std::optional<QString> text(const QString &group, const QString &key) const override
    {
        const auto it = values.find(group + '/' + key);
        if (it == values.end())
            return std::nullopt;
        return *it;
    }
    void setText(const QString &group, const QString &key, const QString &value) override
    {
        values[group + '/' + key] = value;
    }
    bool hasGroup(const QString &group) const override
    {
        return std::any_of(values.keyBegin(), values.keyEnd(),
                           [&](const QString &k) { return k.startsWith(group + '/'); });
    }
    bool sync() override { return writable; }
    QString location() const override { return QStringLiteral("/fake/QV475_XP.ini"); }
    QMap<QString, QString> values;
    bool writable = true;
};

// A serial port whose usable numbers, received bytes and failures the test chooses.
class SerialPort : public platform::SerialPort
{
public:
    void setCommPort(int n) override { m_port = n; }
    int commPort() const override { return m_port; }
    void setSettings(const QString &s) override { m_settings = s; }
    QString settings() const override { return m_settings; }
    bool open(platform::PortError *error) override
    {
        ++opens;
        settingsAtOpen << m_settings;
        if (onOpen)
            onOpen();
        if (m_open || !usable.contains(m_port) || !platform::parseSerialSettings(m_settings)) {
            if (error)
                *error = failure.value(m_port, {QStringLiteral("/dev/fake%1").arg(m_port),
                                                QStringLiteral("No such file or directory")});
            return false;
        }
        m_open = true;
        return true;
    }
    // The port fails while open, as an unplugged adapter does.
    void fail(const QString &reason)
    {
        m_open = false;
        emit failed(reason);
    }
    void close() override { m_open = false; }
    bool isOpen() const override { return m_open; }
    int inBufferCount() const override { return int(m_in.size()); }
    QByteArray input(int max) override
    {
        const QByteArray out = m_in.left(max);
        m_in.remove(0, out.size());
        return out;
    }
    bool output(const QByteArray &bytes) override
    {
        if (!m_open)
            return false;
        sent += bytes;
        return true;
    }
    // The meter sends bytes: they wait in the port and the notification is raised.
    void receive(const QByteArray &bytes)
    {
        m_in += bytes;
        emit comm();
    }

    QSet<int> usable{1};
    QMap<int, platform::PortError> failure; // why a port that cannot open fails
    QByteArray sent;
    int opens = 0;
    QStringList settingsAtOpen;
    std::function<void()> onOpen;

private:
    int m_port = 0;
    QString m_settings;
    bool m_open = false;
    QByteArray m_in;
};

// Records the alarm sounds played: 1 or 2 each.
class SoundPlayer : public platform::SoundPlayer
{
public:
    void play(int level) override { played << level; }
    QList<int> played;
};

class Notifier : public platform::Notifier
{
public:
    void notify(const QString &title, const QString &text) override
    {
        shown << title + ": " + text;
    }
    QStringList shown;
};

// A broker connection that records what is published while it is up.
class MqttClient : public platform::MqttClient
{
public:
    void start(const Options &o) override { options = o; }
    void publish(const QString &topic, const QByteArray &payload, bool retain) override
    {
        if (up)
            sent.append({topic, payload, retain});
    }
    void stop() override { stopped = true; }
    bool isConnected() const override { return up; }
    void comeUp()
    {
        up = true;
        emit connected();
    }
    struct Sent {
        QString topic;
        QByteArray payload;
        bool retain;
    };
    QList<Sent> sent;
    Options options;
    bool up = false, stopped = false;
    int count(const QString &topic) const
    {
        return int(std::count_if(sent.begin(), sent.end(),
                                 [&](const Sent &s) { return s.topic == topic; }));
    }
};

// Everything fake but the file output, which the test picks (a real one by default).
struct World {
    MessageBox messageBox;
    Clock clock;
    Timer timer;
    SettingsStore settings;
    SerialPort port;
    platform::LocalFileOutput localFile;
    platform::FileOutput *file = &localFile;
    SoundPlayer sound;
    Notifier notifier;

    platform::Services services()
    {
        return {&settings, &messageBox, &clock,    &port, &timer,
                file,      &sound,      &notifier, {},    nullptr};
    }
};

// A sleep lock that says whether it is held, and can be refused.
class SleepInhibitor : public platform::SleepInhibitor
{
public:
    bool acquire(QString *why) override
    {
        ++asked;
        if (refuse) {
            *why = QStringLiteral("refused");
            return false;
        }
        return held = true;
    }
    void release() override { held = false; }
    bool held = false;
    bool refuse = false;
    int asked = 0;
};

} // namespace fakes
