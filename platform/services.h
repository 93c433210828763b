// The outside world as the main window sees it; tests put fakes in its place.
#pragma once

#include <functional>
#include <memory>

namespace platform {

class SettingsStore;
class MessageBox;
class Clock;
class SerialPort;
class Timer;
class FileOutput;
class SoundPlayer;
class Notifier;
class MqttClient;
class StateFile;
class SleepInhibitor;
class PortFinder;

struct Services {
    SettingsStore *settings = nullptr;
    MessageBox *messageBox = nullptr;
    Clock *clock = nullptr;
    SerialPort *port = nullptr;
    Timer *timer = nullptr;
    FileOutput *file = nullptr;
    // Alarm sound and desktop notifications; none when left out.
    SoundPlayer *sound = nullptr;
    Notifier *notifier = nullptr;
    // A broker's client, made when the settings name a broker; none when left out.
    std::function<std::unique_ptr<MqttClient>()> mqttClient;
    // Where the storm latch of the site's rule is kept over a restart; none: not kept.
    StateFile *latchFile = nullptr;
    // Keeps the system awake while file output runs; none: nothing is asked.
    SleepInhibitor *sleepInhibitor = nullptr;
    // Finds the configured port's adapter under another name; none: not looked for.
    PortFinder *portFinder = nullptr;
};

} // namespace platform
