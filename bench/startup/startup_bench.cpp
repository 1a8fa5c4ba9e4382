// zumivok_startup_bench [rounds [program [yardstick]]]: starts ZumiVok and the
// minimal window alternately on a private Xvfb server, and prints the median
// time from exec to each one's main window being mapped and the resident
// memory 0.5 s after that, with ZumiVok's ratios to the minimal window.
// Another program and yardstick can be named, to compare experiments.
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <optional>
#include <poll.h>
#include <signal.h>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kMemoryDelay = std::chrono::milliseconds(500);
constexpr auto kMapTimeout = std::chrono::seconds(30);
constexpr double kGoal = 1.3;

[[noreturn]] void fail(const std::string &what)
{
    throw std::runtime_error(what);
}

// A child process with its output thrown away, on the given X display,
// stopped when it goes out of scope.
class Process
{
public:
    Process(const std::vector<std::string> &command, const std::string &display,
            const char *directory, int inheritedFd = -1)
        : m_pid(fork())
    {
        if (m_pid < 0)
            fail("fork failed");
        if (m_pid == 0)
            become(command, display, directory, inheritedFd);
    }
    ~Process()
    {
        if (!hasEnded()) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
    }
    Process(const Process &) = delete;
    Process &operator=(const Process &) = delete;

    pid_t pid() const { return m_pid; }
    bool hasEnded()
    {
        m_ended = m_ended || waitpid(m_pid, nullptr, WNOHANG) == m_pid;
        return m_ended;
    }

private:
    [[noreturn]] static void become(const std::vector<std::string> &command,
                                    const std::string &display, const char *directory,
                                    int inheritedFd)
    {
        const int null = open("/dev/null", O_RDWR);
        dup2(null, STDIN_FILENO);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        if (inheritedFd >= 0)
            fcntl(inheritedFd, F_SETFD, 0);
        if (!display.empty())
            setenv("DISPLAY", display.c_str(), 1);
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        if (directory && chdir(directory) != 0)
            _exit(127);
        std::vector<char *> argv;
        for (const std::string &word : command)
            argv.push_back(const_cast<char *>(word.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }

    pid_t m_pid;
    bool m_ended = false;
};

// Xvfb on the first free display, which it reports through a pipe once it
// takes connections.
class XServer
{
public:
    XServer()
        : XServer(readyPipe())
    {
    }
    const std::string &display() const { return m_display; }

private:
    struct Pipe
    {
        int read, write;
    };
    static Pipe readyPipe()
    {
        int ends[2];
        if (pipe2(ends, O_CLOEXEC) != 0)
            fail("pipe failed");
        return {ends[0], ends[1]};
    }
    explicit XServer(Pipe ready)
        : m_process({"Xvfb", "-displayfd", std::to_string(ready.write), "-nolisten", "tcp",
                     "-screen", "0", "1024x768x24"},
                    std::string(), nullptr, ready.write)
    {
        close(ready.write);
        std::string number;
        for (char c; ::read(ready.read, &c, 1) == 1 && c != '\n';)
            number += c;
        close(ready.read);
        if (number.empty())
            fail("Xvfb did not start (is the xvfb package installed?)");
        m_display = ":" + number;
    }

    Process m_process;
    std::string m_display;
};

// Watches the root window for top-level windows being mapped. There is no
// window manager, so a program's main window is mapped straight on the root.
class MapWatcher
{
public:
    explicit MapWatcher(const std::string &display)
        : m_connection(xcb_connect(display.c_str(), nullptr))
    {
        if (xcb_connection_has_error(m_connection))
            fail("cannot connect to " + display);
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(m_connection, root, XCB_CW_EVENT_MASK, &mask);
        const char name[] = "_NET_WM_PID";
        auto *atom = xcb_intern_atom_reply(
            m_connection, xcb_intern_atom(m_connection, 0, sizeof name - 1, name), nullptr);
        if (!atom)
            fail("cannot intern _NET_WM_PID");
        m_pidAtom = atom->atom;
        free(atom);
    }
    ~MapWatcher() { xcb_disconnect(m_connection); }
    MapWatcher(const MapWatcher &) = delete;
    MapWatcher &operator=(const MapWatcher &) = delete;

    // When a window of the process was mapped, or nothing if it ended first.
    std::optional<Clock::time_point> waitForMap(Process &process)
    {
        const Clock::time_point deadline = Clock::now() + kMapTimeout;
        pollfd watch{xcb_get_file_descriptor(m_connection), POLLIN, 0};
        while (Clock::now() < deadline && !xcb_connection_has_error(m_connection)) {
            while (xcb_generic_event_t *event = xcb_poll_for_event(m_connection)) {
                const Clock::time_point arrived = Clock::now();
                const bool mapped = (event->response_type & 0x7f) == XCB_MAP_NOTIFY;
                const xcb_window_t window =
                    reinterpret_cast<xcb_map_notify_event_t *>(event)->window;
                free(event);
                if (mapped && ownerOf(window) == process.pid())
                    return arrived;
            }
            if (process.hasEnded())
                return std::nullopt;
            poll(&watch, 1, 100);
        }
        return std::nullopt;
    }

    // Throws away the events of earlier processes' windows.
    void drain()
    {
        free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
        while (xcb_generic_event_t *event = xcb_poll_for_event(m_connection))
            free(event);
    }

private:
    pid_t ownerOf(xcb_window_t window)
    {
        auto *reply = xcb_get_property_reply(
            m_connection,
            xcb_get_property(m_connection, 0, window, m_pidAtom, XCB_ATOM_CARDINAL, 0, 1),
            nullptr);
        pid_t owner = -1;
        if (reply && xcb_get_property_value_length(reply) == 4)
            owner = pid_t(*static_cast<uint32_t *>(xcb_get_property_value(reply)));
        free(reply);
        return owner;
    }

    xcb_connection_t *m_connection;
    xcb_atom_t m_pidAtom = 0;
};

// The CPU time of all the process's threads so far: unlike the wall time, it
// hardly changes when other work shares the machine.
double cpuMilliseconds(pid_t pid)
{
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    double total = 0;
    if (DIR *directory = opendir(tasks.c_str())) {
        while (const dirent *task = readdir(directory)) {
            std::ifstream schedstat(tasks + "/" + task->d_name + "/schedstat");
            double nanoseconds = 0;
            if (task->d_name[0] != '.' && schedstat >> nanoseconds)
                total += nanoseconds / 1e6;
        }
        closedir(directory);
    }
    return total;
}

double residentMegabytes(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;
    fail("no VmRSS for process " + std::to_string(pid));
}

// One program's figures, a value per round.
struct Series
{
    std::vector<double> mapTimes, residentSizes, cpuTimes;

    void measure(const std::string &program, const XServer &server, MapWatcher &watcher,
                 const char *directory)
    {
        watcher.drain();
        const Clock::time_point started = Clock::now();
        Process process({program}, server.display(), directory);
        const std::optional<Clock::time_point> mapped = watcher.waitForMap(process);
        if (!mapped)
            fail(program + " did not map a window");
        cpuTimes.push_back(cpuMilliseconds(process.pid()));
        std::this_thread::sleep_until(*mapped + kMemoryDelay);
        residentSizes.push_back(residentMegabytes(process.pid()));
        mapTimes.push_back(std::chrono::duration<double, std::milli>(*mapped - started).count());
    }
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void report(const char *label, const char *unit, const std::vector<double> &minimal,
            const std::vector<double> &ours, bool hasGoal)
{
    const double m = median(minimal), o = median(ours), ratio = o / m;
    std::printf("%-30s minimal %7.1f %s  ours %7.1f %s  ratio %5.2f", label, m, unit, o, unit,
                ratio);
    if (hasGoal)
        std::printf("  (goal <= %.1f) %s", kGoal, ratio <= kGoal ? "ok" : "OVER");
    std::printf("\n");
}

} // namespace

int main(int argc, char *argv[])
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 11;
    const std::string program = argc > 2 ? argv[2] : ZUMIVOK_PROGRAM;
    const std::string yardstick = argc > 3 ? argv[3] : MINIMAL_PROGRAM;
    char directory[] = "/tmp/zumivok-startup-XXXXXX"; // the data directory, empty
    if (!mkdtemp(directory)) {
        std::perror("mkdtemp");
        return 1;
    }
    int status = 0;
    try {
        XServer server;
        MapWatcher watcher(server.display());
        // One unmeasured start of each warms the page cache and the font cache.
        Series ours, minimal;
        ours.measure(program, server, watcher, directory);
        minimal.measure(yardstick, server, watcher, directory);
        ours = minimal = Series();
        for (int round = 0; round < rounds; ++round) {
            ours.measure(program, server, watcher, directory);
            minimal.measure(yardstick, server, watcher, directory);
        }
        std::printf("== start-up on Xvfb, median of %d alternating rounds\n", rounds);
        report("exec to main window mapped", "ms", minimal.mapTimes, ours.mapTimes, true);
        report("resident 0.5 s after the map", "MB", minimal.residentSizes, ours.residentSizes,
               true);
        report("CPU time until the map", "ms", minimal.cpuTimes, ours.cpuTimes, false);
    } catch (const std::exception &error) {
        std::fprintf(stderr, "zumivok_startup_bench: %s\n", error.what());
        status = 1;
    }
    rmdir(directory);
    return status;
}
