// SwapRace: a process of the uninstalling user's own trying to win the race
// between phase 1's copy of the bundle and phase 2's privileged run, by
// putting its own program in place of the copy's InstallUtility as soon as
// the copy appears. Shared by the test and the benchmark.
//
//   SwapRace race(QE_CMAKE_COMMAND, QE_BINARY_DIR, QE_INSTALL_BUNDLEDIR);
//   race.Install();                // as root, into a prefix only root may write to
//   race.Attempts(200);            // how many runs the racer's program ran in
#ifndef QE_TESTS_SWAPRACE_H
#define QE_TESTS_SWAPRACE_H

#include "ToolRun.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

class SwapRace {
public:
    SwapRace(std::string cmake, std::string binaryDir, std::string bundleDir)
        : cmake(std::move(cmake)), binaryDir(std::move(binaryDir)),
          bundleDir(std::move(bundleDir)) {}
    ~SwapRace() {
        if (!prefix.empty())
            std::filesystem::remove_all(prefix);
    }
    SwapRace(const SwapRace&) = delete;
    SwapRace& operator=(const SwapRace&) = delete;

    /// Installs the bundle with cmake --install into a fresh prefix in /run,
    /// where only root may write from "/" down; false with `error` set when
    /// that cannot be done.
    bool Install(std::string& error) {
        std::string base = "/run/qe-race-XXXXXX";
        if (mkdtemp(base.data()) == nullptr) {
            error = "no folder only root may write to in /run";
            return false;
        }
        prefix = base;
        const ToolRun install =
            RunTool({cmake, "--install", binaryDir, "--prefix", prefix, "--component", "Runtime"});
        if (install.status != 0) {
            const std::string why = install.err.substr(0, install.err.find('\n', 200));
            error = "cmake --install failed: " + why;
            return false;
        }
        temporary = prefix + "/tmp";
        marker = prefix + "/won";
        return mkdir(temporary.c_str(), 0700) == 0;
    }

    /// Gives the installed bundle to `user`, as a bundle the user installed.
    void GiveTo(uid_t user) const {
        for (const auto& entry : std::filesystem::recursive_directory_iterator(Bundle()))
            lchown(entry.path().c_str(), user, user);
        lchown(Bundle().c_str(), user, user);
    }

    std::string Bundle() const { return prefix + "/" + bundleDir + "/Uninstall.app"; }

    /// Runs the uninstall `runs` times from the terminal, answering
    /// "Uninstall", with the racer at work; how many times its program ran.
    int Attempts(int runs) const {
        int won = 0;
        for (int run = 0; run < runs; ++run)
            won += Attempt() ? 1 : 0;
        return won;
    }

private:
    bool Attempt() const {
        std::filesystem::remove(marker);
        std::atomic<bool> done{false};
        std::thread racer([&] { Race(done); });
        RunTool({"/usr/bin/env", "-u", "DISPLAY", "TMPDIR=" + temporary, "/bin/sh", "-c",
                 "echo Uninstall | \"$0\"", Bundle() + "/Contents/MacOS/Uninstall"});
        done = true;
        racer.join();
        for (const auto& entry : std::filesystem::directory_iterator(temporary))
            std::filesystem::remove_all(entry.path());
        return access(marker.c_str(), F_OK) == 0;
    }

    // Puts a program of its own over every copy's tool it finds, once each.
    void Race(const std::atomic<bool>& done) const {
        std::set<std::string> swapped;
        while (!done) {
            DIR* listing = opendir(temporary.c_str());
            if (listing == nullptr)
                return;
            while (const dirent* entry = readdir(listing)) {
                const std::string folder =
                    temporary + "/" + entry->d_name + "/Uninstall.app/Contents/MacOS";
                if (entry->d_name[0] != '.' && swapped.count(folder) == 0 &&
                    access((folder + "/InstallUtility").c_str(), F_OK) == 0 && Swap(folder))
                    swapped.insert(folder);
            }
            closedir(listing);
        }
    }

    bool Swap(const std::string& folder) const {
        const std::string own = folder + "/.racer";
        std::ofstream(own) << "#!/bin/sh\necho won > '" << marker << "'\n";
        return chmod(own.c_str(), 0755) == 0 &&
               std::rename(own.c_str(), (folder + "/InstallUtility").c_str()) == 0;
    }

    std::string cmake, binaryDir, bundleDir;
    std::string prefix, temporary, marker;
};

#endif
