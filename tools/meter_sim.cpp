// qv475-meter-sim: stands in for the wind-speed meter on a pseudo-terminal.
// It prints the device path for the program's port, waits for "D" + CR, then sends
// frames with gusty wind values until "J" + CR.
#include "pty_meter.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <getopt.h>
#include <poll.h>
#include <random>
#include <string>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t g_stop = 0;
void onSignal(int)
{
    g_stop = 1;
}

struct Options {
    std::string link;
    double rate = 2.0; // frames a second
    bool dPrefix = false;
    int noise = 0;          // random bytes between frames
    long silenceAfter = -1; // frames before falling silent; -1 never
    double alarm1 = 10.0;   // m/s for alarm level 1
    double alarm2 = 15.0;   // m/s for alarm level 2
    double wind = 6.0;      // mean wind, m/s
    unsigned seed = 0;
    bool quiet = false;
    bool fixed = false;   // the same reading in every frame
    double dropEvery = 0; // seconds between drop-outs; 0 none
    double dropFor = 0;   // seconds each drop-out lasts
    meter::Reading fixedReading;
};

void usage(const char *argv0)
{
    std::fprintf(
        stderr,
        "usage: %s [options]\n"
        "  --link PATH          also make a symbolic link PATH to the device\n"
        "  --rate HZ            frames a second (default 2)\n"
        "  --prefix-d           put \"D\" in front of each frame text\n"
        "  --noise N            N random bytes between frames (default 0)\n"
        "  --silence-after N    fall silent after N frames\n"
        "  --alarm1 M/S         instantaneous/average speed for alarm level 1 (default 10)\n"
        "  --alarm2 M/S         speed for alarm level 2 (default 15)\n"
        "  --wind M/S           mean wind speed (default 6)\n"
        "  --seed N             random seed (default: time)\n"
        "  --dropout EVERY,FOR  fall silent for FOR seconds every EVERY seconds\n"
        "  --fixed I,IM,A,AM,L1,L2\n"
        "                       send this reading in every frame (m/s and alarm levels)\n"
        "  --quiet              no log on standard error\n",
        argv0);
}

bool parse(int argc, char **argv, Options &o)
{
    static const option longOpts[] = {{"link", required_argument, nullptr, 'l'},
                                      {"rate", required_argument, nullptr, 'r'},
                                      {"prefix-d", no_argument, nullptr, 'd'},
                                      {"noise", required_argument, nullptr, 'n'},
                                      {"silence-after", required_argument, nullptr, 's'},
                                      {"alarm1", required_argument, nullptr, '1'},
                                      {"alarm2", required_argument, nullptr, '2'},
                                      {"wind", required_argument, nullptr, 'w'},
                                      {"seed", required_argument, nullptr, 'S'},
                                      {"quiet", no_argument, nullptr, 'q'},
                                      {"fixed", required_argument, nullptr, 'f'},
                                      {"dropout", required_argument, nullptr, 'o'},
                                      {"help", no_argument, nullptr, 'h'},
                                      {nullptr, 0, nullptr, 0}};
    int c;
    while ((c = getopt_long(argc, argv, "", longOpts, nullptr)) != -1) {
        switch (c) {
        case 'l': o.link = optarg; break;
        case 'r': o.rate = std::atof(optarg); break;
        case 'd': o.dPrefix = true; break;
        case 'n': o.noise = std::atoi(optarg); break;
        case 's': o.silenceAfter = std::atol(optarg); break;
        case '1': o.alarm1 = std::atof(optarg); break;
        case '2': o.alarm2 = std::atof(optarg); break;
        case 'w': o.wind = std::atof(optarg); break;
        case 'S': o.seed = unsigned(std::strtoul(optarg, nullptr, 10)); break;
        case 'q': o.quiet = true; break;
        case 'f': {
            double v[4];
            int l1, l2;
            if (std::sscanf(optarg, "%lf,%lf,%lf,%lf,%d,%d", &v[0], &v[1], &v[2], &v[3], &l1,
                            &l2) != 6)
                return false;
            meter::Reading &r = o.fixedReading;
            r = {int(std::lround(v[0] * 10)),
                 int(std::lround(v[1] * 10)),
                 int(std::lround(v[2] * 10)),
                 int(std::lround(v[3] * 10)),
                 l1,
                 l2};
            o.fixed = true;
            break;
        }
        case 'o':
            if (std::sscanf(optarg, "%lf,%lf", &o.dropEvery, &o.dropFor) != 2 ||
                !(o.dropEvery > o.dropFor && o.dropFor > 0))
                return false;
            break;
        default: return false;
        }
    }
    if (!(o.rate > 0 && o.rate <= 1000) || o.noise < 0 || optind != argc)
        return false;
    return true;
}

// Gusty wind: a slowly wandering mean with short gusts on top.
class Wind
{
public:
    // The wind starts at its mean, as a meter switched on in a steady wind would see it.
    Wind(const Options &o)
        : m_opt(o), m_rng(o.seed ? o.seed : unsigned(time(nullptr))), m_mean(o.wind),
          m_average(o.wind)
    {}

    meter::Reading next()
    {
        std::normal_distribution<double> step(0.0, 0.15);
        std::exponential_distribution<double> gust(1.2);
        std::uniform_real_distribution<double> u(0.0, 1.0);
        m_mean = std::clamp(m_mean + step(m_rng) + 0.02 * (m_opt.wind - m_mean), 0.0, 60.0);
        double instant = m_mean + (u(m_rng) < 0.15 ? gust(m_rng) * 3.0 : 0.0) + step(m_rng) * 4;
        instant = std::clamp(instant, 0.0, 99.9);
        m_average += (instant - m_average) * 0.05;
        m_instantMax = std::max(m_instantMax, instant);
        m_averageMax = std::max(m_averageMax, m_average);
        meter::Reading r;
        r.instant = int(std::lround(instant * 10));
        r.instantMax = int(std::lround(m_instantMax * 10));
        r.average = int(std::lround(m_average * 10));
        r.averageMax = int(std::lround(m_averageMax * 10));
        r.instantAlarm = level(instant);
        r.averageAlarm = level(m_average);
        return r;
    }

    std::string noise(int n)
    {
        std::uniform_int_distribution<int> byte(0, 255);
        std::string s;
        for (int i = 0; i < n; ++i)
            s += char(byte(m_rng));
        return s;
    }

private:
    int level(double v) const { return v >= m_opt.alarm2 ? 2 : v >= m_opt.alarm1 ? 1 : 0; }

    const Options &m_opt;
    std::mt19937 m_rng;
    double m_mean, m_average, m_instantMax = 0, m_averageMax = 0;
};

} // namespace

int main(int argc, char **argv)
{
    Options opt;
    if (!parse(argc, argv, opt)) {
        usage(argv[0]);
        return 2;
    }
    meter::PtyMeter pty;
    if (!pty.open()) {
        std::fprintf(stderr, "cannot open a pseudo-terminal: %s\n", std::strerror(errno));
        return 1;
    }
    if (!opt.link.empty()) {
        ::unlink(opt.link.c_str());
        if (::symlink(pty.devicePath().c_str(), opt.link.c_str()) != 0) {
            std::fprintf(stderr, "cannot make the link %s: %s\n", opt.link.c_str(),
                         std::strerror(errno));
            return 1;
        }
    }
    std::printf("%s\n", pty.devicePath().c_str());
    std::fflush(stdout);
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    std::signal(SIGPIPE, SIG_IGN);

    auto log = [&](const char *what) {
        if (!opt.quiet)
            std::fprintf(stderr, "qv475-meter-sim: %s\n", what);
    };

    using clock = std::chrono::steady_clock;
    const auto period =
        std::chrono::duration_cast<clock::duration>(std::chrono::duration<double>(1.0 / opt.rate));
    Wind wind(opt);
    bool sending = false;
    long sent = 0;
    std::string command;
    auto nextFrame = clock::now();
    const auto started = clock::now();
    // Inside a drop-out the meter sends nothing, as if its cable were pulled.
    auto droppedOut = [&](clock::time_point t) {
        if (opt.dropEvery <= 0)
            return false;
        const double s = std::chrono::duration<double>(t - started).count();
        return std::fmod(s, opt.dropEvery) >= opt.dropEvery - opt.dropFor;
    };

    while (!g_stop) {
        const auto now = clock::now();
        int wait = 200;
        if (sending)
            wait = int(std::max<long long>(
                0, std::chrono::duration_cast<std::chrono::milliseconds>(nextFrame - now).count()));
        const std::string in = pty.read(wait);
        for (char c : in) {
            if (c == '\r') {
                if (command == "D") {
                    if (!sending)
                        nextFrame = clock::now();
                    sending = true;
                    log("start (D)");
                } else if (command == "J") {
                    sending = false;
                    log("stop (J)");
                }
                command.clear();
            } else if (command.size() < 16) {
                command += c;
            }
        }
        if (sending && clock::now() >= nextFrame) {
            if ((opt.silenceAfter < 0 || sent < opt.silenceAfter) && !droppedOut(clock::now())) {
                std::string bytes =
                    meter::makeFrame(opt.fixed ? opt.fixedReading : wind.next(), opt.dPrefix);
                if (opt.noise > 0)
                    bytes += wind.noise(opt.noise);
                pty.write(bytes);
                if (++sent == opt.silenceAfter)
                    log("falling silent");
            }
            nextFrame += period;
            if (nextFrame < clock::now())
                nextFrame = clock::now() + period;
        }
    }
    if (!opt.link.empty())
        ::unlink(opt.link.c_str());
    return 0;
}
