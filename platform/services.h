// The outside world as the main window sees it; tests put fakes in its place.
#pragma once

namespace platform {

class SettingsStore;
class MessageBox;
class Clock;
class SerialPort;
class Timer;
class FileOutput;
class SoundPlayer;
class Notifier;

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
};

} // namespace platform
