#include "BundleOrigin.h"

#include "Descriptor.h"
#include "PathLibrary.h"
#include "SystemCall.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char kRecordName[] = "Contents/OriginalBundle";

bool IsAbsolutePath(const std::string& path) {
    return !path.empty() && path[0] == '/' && path.find('\0') == std::string::npos &&
           path.size() <= BundleOrigin::kMaxPathLength;
}

bool WriteAll(int file, const std::string& text) {
    for (std::size_t done = 0; done < text.size();) {
        const ssize_t written = SystemCall::RetryOnEintr(
            [&] { return write(file, text.data() + done, text.size() - done); });
        if (written <= 0)
            return false;
        done += static_cast<std::size_t>(written);
    }
    return true;
}

} // namespace

bool BundleOrigin::Record(const std::string& copy, const std::string& original) {
    if (!IsAbsolutePath(original))
        return false;
    const std::string path = PathLibrary::AppendPathComponent(copy, kRecordName);
    const Descriptor file(
        open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644));
    return file.IsOpen() && WriteAll(file.Get(), original);
}

std::optional<std::string> BundleOrigin::Read(const std::string& bundle) {
    const std::string path = PathLibrary::AppendPathComponent(bundle, kRecordName);
    // O_NONBLOCK: a FIFO put in the record's place must not stall the run.
    const Descriptor file(open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat status;
    if (!file.IsOpen() || fstat(file.Get(), &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    std::string text(kMaxPathLength + 1, '\0');
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = SystemCall::RetryOnEintr(
            [&] { return read(file.Get(), &text[done], text.size() - done); });
        if (n < 0)
            return std::nullopt;
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    text.resize(done);
    if (!IsAbsolutePath(text))
        return std::nullopt;
    return text;
}
