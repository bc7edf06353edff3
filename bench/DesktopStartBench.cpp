// Uninstaller start on a desktop: from starting the program under an X server
// of the benchmark's own (Xvfb) until its confirmation window is mapped with
// its title, told by the server's own events rather than by polling.

#include "Bench.h"

#include "DescriptorInheritance.h"
#include "SKUDefinition.h"

#include <benchmark/benchmark.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <poll.h>
#include <set>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

// Last: Xlib defines macros (None, Bool, Status) that other headers use as names.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

extern char** environ;

namespace bench {

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kFirstDisplay = 90;
constexpr int kLastDisplay = 140;
constexpr auto kServerReadyLimit = std::chrono::seconds(30);
constexpr auto kWindowLimit = std::chrono::seconds(30);
// Every program a run starts carries it, so that the GNUstep daemons the
// windows start, detached, are found and ended with the server.
constexpr char kMarker[] = "QE_BENCH_DESKTOP_RUN=";
// What a child must not inherit: another display, or the caller's folders.
const char* const kReplacedVariables[] = {
    "DISPLAY=", "WAYLAND_DISPLAY=", "TMPDIR=", "TMP=", "TEMP=", "HOME=", kMarker};

// A window may be gone by the time it is asked about.
int IgnoreXErrors(Display*, XErrorEvent*) {
    return 0;
}

bool StartsWith(const std::string& text, const char* prefix) {
    return text.compare(0, std::strlen(prefix), prefix) == 0;
}

// Milliseconds left until `deadline`, at least 0.
int MillisecondsUntil(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

bool DisplayTaken(int number) {
    const std::string n = std::to_string(number);
    return access(("/tmp/.X" + n + "-lock").c_str(), F_OK) == 0 ||
           access(("/tmp/.X11-unix/X" + n).c_str(), F_OK) == 0;
}

// The product name the confirmation's title carries, from the sku.xml beside
// the program, as the program reads it.
std::string ConfirmationTitle(const std::string& uninstallPath) {
    SKUDefinition definition;
    definition.fromFile(QeString((fs::path(uninstallPath).parent_path() / "sku.xml").c_str()));
    const QeString& name = definition.skuInfo.name;
    return std::string("Uninstall ") + (name.IsSet() ? name.ConstData() : "this product");
}

void SendToProcessesMarked(const std::string& marker, int signal) {
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator("/proc", error)) {
        const std::string pid = entry.path().filename().string();
        if (pid.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::ifstream file(entry.path() / "environ", std::ios::binary);
        // Each variable between NULs, the first one too.
        const std::string variables =
            std::string(1, '\0') +
            std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
        if (variables.find(std::string(1, '\0') + marker + '\0') != std::string::npos)
            kill(static_cast<pid_t>(std::stol(pid)), signal);
    }
}

} // namespace

struct DesktopStart::Session {
    std::string uninstallPath;
    std::string title;
    std::string folder;
    std::string marker;
    pid_t server = -1;
    std::string display;
    Display* x = nullptr;
    std::vector<std::string> environment;

    ~Session() {
        if (x != nullptr)
            XCloseDisplay(x);
        if (!marker.empty())
            SendToProcessesMarked(marker, SIGKILL);
        StopServer();
        if (!folder.empty()) {
            std::error_code error;
            fs::remove_all(folder, error);
        }
    }

    // A private folder for the program's temporary files and its home.
    bool MakeFolder() {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern =
            std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/qebench-desktop.XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr)
            return false;
        folder = pattern;
        marker = kMarker + folder;
        return mkdir((folder + "/tmp").c_str(), 0700) == 0 &&
               mkdir((folder + "/home").c_str(), 0700) == 0;
    }

    // An Xvfb on the first free display from :90, ready once it has written
    // its number to -displayfd. "" when it runs, else why not.
    std::string StartServer() {
        for (int number = kFirstDisplay; number <= kLastDisplay; ++number) {
            if (DisplayTaken(number))
                continue;
            int ends[2];
            if (!DescriptorInheritance::OpenPipe(ends))
                return "no pipe";
            const std::string name = ":" + std::to_string(number);
            const int spawned = SpawnServer(name, ends[1]);
            close(ends[1]);
            if (spawned == ENOENT) {
                close(ends[0]);
                return "Xvfb missing";
            }
            const bool ready = spawned == 0 && ReadsNumber(ends[0], number);
            close(ends[0]);
            if (ready) {
                display = name;
                return "";
            }
            // Another server took the display first.
            StopServer();
        }
        return "no free X display";
    }

    int SpawnServer(const std::string& name, int readyDescriptor) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, readyDescriptor, 3);
        const char* argv[] = {"Xvfb", name.c_str(),   "-nolisten",  "tcp", "-screen",
                              "0",    "1280x1024x24", "-displayfd", "3",   nullptr};
        const int error = posix_spawnp(&server, "Xvfb", &actions, nullptr,
                                       const_cast<char* const*>(argv), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (error != 0)
            server = -1;
        return error;
    }

    static bool ReadsNumber(int descriptor, int number) {
        const auto deadline = Clock::now() + kServerReadyLimit;
        std::string text;
        char buffer[32];
        for (;;) {
            pollfd ready = {descriptor, POLLIN, 0};
            if (poll(&ready, 1, MillisecondsUntil(deadline)) <= 0)
                return false;
            const ssize_t n = read(descriptor, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            text.append(buffer, static_cast<std::size_t>(n));
            if (text.find('\n') != std::string::npos)
                return text == std::to_string(number) + "\n";
        }
    }

    void StopServer() {
        if (server < 0)
            return;
        // Ended gently, so that it removes its lock file.
        kill(server, SIGTERM);
        waitpid(server, nullptr, 0);
        server = -1;
    }

    // The window manager's view: every top-level window created and mapped.
    bool Connect() {
        XSetErrorHandler(IgnoreXErrors);
        x = XOpenDisplay(display.c_str());
        if (x == nullptr)
            return false;
        XSelectInput(x, DefaultRootWindow(x), SubstructureNotifyMask);
        XSync(x, False);
        return true;
    }

    void MakeEnvironment() {
        for (char** variable = environ; *variable != nullptr; ++variable) {
            const std::string entry = *variable;
            bool replaced = false;
            for (const char* name : kReplacedVariables)
                replaced = replaced || StartsWith(entry, name);
            if (!replaced)
                environment.push_back(entry);
        }
        // GNUstep's NSTemporaryDirectory reads TEMP or TMP.
        for (const char* name : {"TMPDIR=", "TMP=", "TEMP="})
            environment.push_back(name + folder + "/tmp");
        environment.push_back("HOME=" + folder + "/home");
        environment.push_back("DISPLAY=" + display);
        environment.push_back(marker);
    }

    pid_t StartProgram() {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        std::vector<char*> env;
        for (std::string& entry : environment)
            env.push_back(entry.data());
        env.push_back(nullptr);
        char* argv[] = {uninstallPath.data(), nullptr};
        pid_t pid = -1;
        const int error =
            posix_spawn(&pid, uninstallPath.c_str(), &actions, nullptr, argv, env.data());
        posix_spawn_file_actions_destroy(&actions);
        return error == 0 ? pid : -1;
    }

    bool Titled(Window window) {
        const Atom name = XInternAtom(x, "_NET_WM_NAME", False);
        const Atom utf8 = XInternAtom(x, "UTF8_STRING", False);
        Atom type = 0;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* value = nullptr;
        bool titled = false;
        if (XGetWindowProperty(x, window, name, 0, 1024, False, utf8, &type, &format, &count,
                               &after, &value) == Success &&
            value != nullptr) {
            titled = std::string(reinterpret_cast<char*>(value), count) == title;
            XFree(value);
            return titled;
        }
        char* plain = nullptr;
        if (XFetchName(x, window, &plain) != 0 && plain != nullptr) {
            titled = title == plain;
            XFree(plain);
        }
        return titled;
    }

    // Seconds from the start of the program until its confirmation window is
    // mapped with its title; -1 when it does not come. The program is ended then.
    double SecondsUntilWindow() {
        // What earlier runs' windows reported is not this run's.
        XSync(x, True);
        std::set<Window> created, mapped;
        const auto begin = Clock::now();
        const pid_t pid = StartProgram();
        if (pid < 0)
            return -1;
        const auto deadline = begin + kWindowLimit;
        double seconds = -1;
        while (seconds < 0) {
            if (XPending(x) == 0) {
                pollfd ready = {ConnectionNumber(x), POLLIN, 0};
                if (poll(&ready, 1, MillisecondsUntil(deadline)) <= 0)
                    break;
                continue;
            }
            XEvent event;
            XNextEvent(x, &event);
            bool shown = false;
            if (event.type == CreateNotify) {
                created.insert(event.xcreatewindow.window);
                XSelectInput(x, event.xcreatewindow.window, PropertyChangeMask);
            } else if (event.type == MapNotify && created.count(event.xmap.window) != 0) {
                mapped.insert(event.xmap.window);
                shown = Titled(event.xmap.window);
            } else if (event.type == PropertyNotify && mapped.count(event.xproperty.window) != 0) {
                shown = Titled(event.xproperty.window);
            }
            if (shown)
                seconds = std::chrono::duration<double>(Clock::now() - begin).count();
        }
        // GNUstep programs may ignore SIGTERM.
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        return seconds;
    }
};

DesktopStart::DesktopStart(const std::string& uninstallPath) : session(new Session) {
    session->uninstallPath = uninstallPath;
    session->title = ConfirmationTitle(uninstallPath);
    if (!session->MakeFolder()) {
        unavailable = "no scratch folder";
        return;
    }
    unavailable = session->StartServer();
    if (!unavailable.empty())
        return;
    if (!session->Connect()) {
        unavailable = "no connection to Xvfb";
        return;
    }
    session->MakeEnvironment();
    // Also the first, cold start, which starts GNUstep's daemons and is not counted.
    if (session->SecondsUntilWindow() < 0) {
        unavailable = "no confirmation window";
        return;
    }
    Session* running = session.get();
    benchmark::RegisterBenchmark(kStartDesktop,
                                 [running](benchmark::State& state) {
                                     for (auto _ : state) {
                                         const double seconds = running->SecondsUntilWindow();
                                         if (seconds < 0) {
                                             state.SkipWithError("no confirmation window");
                                             break;
                                         }
                                         state.SetIterationTime(seconds);
                                     }
                                 })
        ->Iterations(1)
        ->Repetitions(kDesktopStartRuns)
        ->UseManualTime();
}

DesktopStart::~DesktopStart() = default;

} // namespace bench
