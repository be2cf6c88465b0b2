// Start-up of the designer against a bare Qt window of the same size and fonts, on a private
// virtual display. The two programs start in turns; for each start it measures, at the moment the
// display reports the program's first window mapped:
//   - the time from exec to that map,
//   - the CPU time of the program's main thread until then,
//   - its resident memory then.
// and prints the medians, the spread (lowest and highest) and the ratios designer / baseline.
//
//   startup_bench DESIGNER BASELINE [--rounds N] [--no-update-check]
//
// The designer runs with a fresh configuration folder and its update check pointed at a closed
// port on this machine, so no start reaches the network; with --no-update-check its stored
// preference switches the check at start off.
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

struct Sample {
    double mapMs = 0;
    double cpuMs = 0;
    double residentMB = 0;
};

// The CPU time of the main thread of `pid`, in milliseconds: from the scheduler's statistics in
// nanoseconds where the kernel keeps them, else from the clock ticks of user and system time.
double MainThreadCpuMs(pid_t pid)
{
    std::ifstream schedstat("/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) + "/schedstat");
    double onCpuNs = 0;
    if (schedstat >> onCpuNs)
        return onCpuNs / 1e6;
    std::ifstream in("/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::size_t close = text.rfind(')');
    if (close == std::string::npos)
        return -1;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    long utime = 0;
    long stime = 0;
    for (int i = 3; fields >> field; ++i) {
        if (i == 14)
            utime = std::stol(field);
        if (i == 15) {
            stime = std::stol(field);
            break;
        }
    }
    return (utime + stime) * 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
}

double ResidentMB(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;
    }
    return -1;
}

class Display {
public:
    ~Display()
    {
        if (connection_)
            xcb_disconnect(connection_);
        if (server_ > 0) {
            kill(server_, SIGTERM);
            waitpid(server_, nullptr, 0);
        }
    }

    bool start()
    {
        for (int number = 90; number < 140; ++number) {
            const std::string socket = "/tmp/.X11-unix/X" + std::to_string(number);
            const std::string lock = "/tmp/.X" + std::to_string(number) + "-lock";
            struct stat info {};
            if (stat(socket.c_str(), &info) == 0 || stat(lock.c_str(), &info) == 0)
                continue;
            name_ = ":";
            name_ += std::to_string(number);
            server_ = fork();
            if (server_ == 0) {
                const int null = open("/dev/null", O_WRONLY);
                dup2(null, 1);
                dup2(null, 2);
                execlp("Xvfb", "Xvfb", name_.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp", nullptr);
                _exit(127);
            }
            for (int attempt = 0; attempt < 100; ++attempt) {
                usleep(50000);
                connection_ = xcb_connect(name_.c_str(), nullptr);
                if (!xcb_connection_has_error(connection_))
                    break;
                xcb_disconnect(connection_);
                connection_ = nullptr;
            }
            if (!connection_)
                return false;
            root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
            const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
            xcb_change_window_attributes(connection_, root_, XCB_CW_EVENT_MASK, &mask);
            xcb_flush(connection_);
            return true;
        }
        return false;
    }

    const std::string& name() const { return name_; }

    // Runs `program` and measures it at its first map; the program is ended afterwards.
    bool measure(const std::string& program, const std::string& configHome, Sample& sample)
    {
        while (xcb_generic_event_t* stale = xcb_poll_for_event(connection_))
            free(stale);
        const auto start = Clock::now();
        const pid_t child = fork();
        if (child == 0) {
            setenv("DISPLAY", name_.c_str(), 1);
            setenv("QT_QPA_PLATFORM", "xcb", 1);
            setenv("XDG_CONFIG_HOME", configHome.c_str(), 1);
            setenv("QUORVANE_UPDATE_URL", "http://127.0.0.1:9/updater/quorvane.php", 1);
            const int null = open("/dev/null", O_WRONLY);
            dup2(null, 1);
            dup2(null, 2);
            execl(program.c_str(), program.c_str(), nullptr);
            _exit(127);
        }
        bool mapped = false;
        while (!mapped) {
            xcb_generic_event_t* event = xcb_wait_for_event(connection_);
            if (!event)
                break;
            if ((event->response_type & 0x7F) == XCB_MAP_NOTIFY) {
                const auto* map = reinterpret_cast<xcb_map_notify_event_t*>(event);
                mapped = !map->override_redirect;
            }
            free(event);
        }
        if (mapped) {
            sample.mapMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
            sample.cpuMs = MainThreadCpuMs(child);
            sample.residentMB = ResidentMB(child);
        }
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        return mapped;
    }

private:
    std::string name_;
    pid_t server_ = -1;
    xcb_connection_t* connection_ = nullptr;
    xcb_window_t root_ = 0;
};

struct Summary {
    double median;
    double low;
    double high;
};

Summary Summarise(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return {values[values.size() / 2], values.front(), values.back()};
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: startup_bench DESIGNER BASELINE [--rounds N]\n");
        return 2;
    }
    const std::string programs[2] = {argv[1], argv[2]};
    int rounds = 21;
    bool updateCheck = true;
    for (int i = 3; i < argc; ++i) {
        if (std::strcmp(argv[i], "--rounds") == 0 && i + 1 < argc)
            rounds = std::max(1, std::atoi(argv[++i]));
        else if (std::strcmp(argv[i], "--no-update-check") == 0)
            updateCheck = false;
    }
    char pattern[] = "/tmp/quorvane-startup-XXXXXX";
    const char* configHome = mkdtemp(pattern);
    if (!configHome)
        return 1;
    if (!updateCheck) {
        const std::string folder = std::string(configHome) + "/Quorvane";
        mkdir(folder.c_str(), 0700);
        std::ofstream(folder + "/Quorvane.conf") << "[General]\nupdatecheck=F\n";
    }

    Display display;
    if (!display.start()) {
        std::fprintf(stderr, "no virtual display\n");
        return 1;
    }
    std::vector<Sample> samples[2];
    Sample warm;
    display.measure(programs[0], configHome, warm); // files and fonts into the cache for both
    display.measure(programs[1], configHome, warm);
    for (int round = 0; round < rounds; ++round) {
        // Alternate which one goes first, so that neither always follows the other.
        for (int k = 0; k < 2; ++k) {
            const int which = (round + k) % 2;
            Sample sample;
            if (!display.measure(programs[which], configHome, sample)) {
                std::fprintf(stderr, "%s never mapped a window\n", programs[which].c_str());
                return 1;
            }
            samples[which].push_back(sample);
        }
    }
    std::string removeConfig = std::string("rm -rf '") + configHome + "'";
    (void)!std::system(removeConfig.c_str());

    std::printf("%d rounds in turns on display %s, update check at start %s; median [lowest .. highest]\n", rounds,
                display.name().c_str(), updateCheck ? "on" : "off");
    std::printf("%-34s %28s %28s %8s\n", "figure", "designer", "bare window", "ratio");
    const struct {
        const char* name;
        double Sample::*field;
        const char* unit;
    } figures[] = {
        {"exec -> first map", &Sample::mapMs, "ms"},
        {"main-thread CPU until the map", &Sample::cpuMs, "ms"},
        {"resident memory at the map", &Sample::residentMB, "MB"},
    };
    for (const auto& figure : figures) {
        Summary s[2];
        for (int which = 0; which < 2; ++which) {
            std::vector<double> values;
            for (const Sample& sample : samples[which])
                values.push_back(sample.*figure.field);
            s[which] = Summarise(values);
        }
        char cells[2][64];
        for (int which = 0; which < 2; ++which)
            std::snprintf(cells[which], sizeof cells[which], "%.1f %s [%.1f .. %.1f]", s[which].median, figure.unit,
                          s[which].low, s[which].high);
        std::printf("%-34s %28s %28s %7.2fx\n", figure.name, cells[0], cells[1], s[0].median / s[1].median);
    }
    return 0;
}
