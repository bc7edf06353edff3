// ScratchMount: a file system mounted on a scratch folder for one test, and
// unmounted when it goes out of scope. Mounting needs root and a system that
// lets it (mount(8) with Linux's options): IsMounted() says whether it took.
//
//   const ScratchMount another(ScratchMount::NewFileSystem(), P("t/mnt"));
//   const ScratchMount again(ScratchMount::BindOf(P("protected")), P("t/mnt"));
//   if (!again.IsMounted()) GTEST_SKIP() << "no mount here";
#ifndef QE_TESTS_SCRATCHMOUNT_H
#define QE_TESTS_SCRATCHMOUNT_H

#include "ProcessLibrary.h"

#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

class ScratchMount {
public:
    /// mount(8)'s arguments for a new, empty file system (a small tmpfs).
    static std::vector<std::string> NewFileSystem() {
        return {"-t", "tmpfs", "-o", "size=1m", "qe-scratch"};
    }
    /// mount(8)'s arguments for the folder `source` mounted once more.
    static std::vector<std::string> BindOf(const std::string& source) { return {"--bind", source}; }

    ScratchMount(std::vector<std::string> arguments, std::string on) : point(std::move(on)) {
        if (geteuid() != 0)
            return;
        arguments.insert(arguments.begin(), "/bin/mount");
        arguments.push_back(point);
        mounted = ProcessLibrary::Run(arguments, {-1, /*quietErrors=*/true}) == 0;
    }
    ~ScratchMount() {
        if (mounted)
            ProcessLibrary::Run({"/bin/umount", point});
    }
    ScratchMount(const ScratchMount&) = delete;
    ScratchMount& operator=(const ScratchMount&) = delete;

    bool IsMounted() const { return mounted; }

private:
    std::string point;
    bool mounted = false;
};

#endif
