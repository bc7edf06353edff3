// BundleOrigin: the record, in a bundle copy, of the bundle it was copied
// from: its path, as text, in Contents/OriginalBundle.
//
// The copy is the user's, so the record only says where to look: what is
// found there is trusted only for what it is (see TrustedPath::IsRootsAlone).
//
//   BundleOrigin::Record("/tmp/U-1/Uninstall.app", "/usr/lib/QeSuite/Uninstall.app");
//   BundleOrigin::Read("/tmp/U-1/Uninstall.app");  // "/usr/lib/QeSuite/Uninstall.app"
#ifndef QE_BUNDLEORIGIN_H
#define QE_BUNDLEORIGIN_H

#include <optional>
#include <string>

class BundleOrigin {
public:
    /// The longest path a record holds.
    static constexpr std::size_t kMaxPathLength = 4096;

    /// Writes into the bundle `copy` that it is a copy of `original`, which
    /// must be an absolute path without a NUL; false when it cannot be written.
    static bool Record(const std::string& copy, const std::string& original);
    /// The original that the bundle `bundle` records: nothing when there is
    /// no record, it is no regular file (a link is not followed), or it holds
    /// no absolute path of at most kMaxPathLength bytes.
    static std::optional<std::string> Read(const std::string& bundle);
};

#endif
