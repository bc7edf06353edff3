// PathLibrary's text operations on arbitrary paths, with the default separator
// or one from the input: no crash, and results that keep to their documented shape.
#include "FuzzCheck.h"
#include "PathLibrary.h"
#include "QeString.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

bool IsPrefix(const QeString& part, const QeString& whole) {
    return FuzzText(whole).compare(0, part.Size(), FuzzText(part)) == 0;
}

bool IsSuffix(const QeString& part, const QeString& whole) {
    return part.Size() <= whole.Size() &&
           FuzzText(whole).compare(whole.Size() - part.Size(), part.Size(), FuzzText(part)) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const bool ownSeparator = input.ConsumeBool();
    const QeString separator =
        ownSeparator ? FuzzString(input.ConsumeRandomLengthString(4)) : kPathSeparator;
    const QeString other = FuzzString(input.ConsumeRandomLengthString(64));
    const QeString path = FuzzString(input.ConsumeRemainingBytesAsString());

    FuzzCheck(PathLibrary::CollapsePath(path, separator).Size() <= path.Size(),
              "CollapsePath never lengthens");
    FuzzCheck(PathLibrary::NormalizePath(path).Size() <= path.Size(),
              "NormalizePath never lengthens");
    FuzzCheck(IsSuffix(PathLibrary::GetFileNameFromPath(path, separator), path),
              "a file name ends the path");
    FuzzCheck(IsPrefix(PathLibrary::GetDirectoryWithoutFile(path, separator), path),
              "a directory starts the path");
    FuzzCheck(IsPrefix(PathLibrary::GetDirectoryPathWithoutLastSlash(path, separator), path),
              "the path less a separator starts the path");
    FuzzCheck(IsPrefix(PathLibrary::GetParentDir(path, separator), path),
              "a parent directory starts the path");
    FuzzCheck(IsPrefix(PathLibrary::RemoveExtension(path), path), "RemoveExtension");
    FuzzCheck(IsSuffix(PathLibrary::GetExtension(path), path), "GetExtension");
    FuzzCheck(PathLibrary::GetFileNameWithoutExtensionFromPath(path, separator).Size() <=
                  path.Size(),
              "GetFileNameWithoutExtensionFromPath");

    const QeString joined = PathLibrary::GetDirectoryWithFile(path, other, separator);
    FuzzCheck(IsPrefix(path, joined) && IsSuffix(other, joined), "GetDirectoryWithFile");
    PathLibrary::GetSafeFileName(path, other);
    return 0;
}
