// QeVersion read from arbitrary text: its text reads back as the same version.
#include "FuzzCheck.h"
#include "QeString.h"
#include "QeVersion.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QeVersion version(QeString(reinterpret_cast<const char*>(data), size));
    const QeString text = version.ToString();
    const QeVersion back(text);
    FuzzCheck(back == version && !(back < version) && !(back > version),
              "ToString reads back as the same version");
    FuzzCheck(back <= version && back >= version, "an equal version is <= and >=");
    FuzzCheck(version.IsValid() == !(version == QeVersion()), "valid unless 0.0.0.0");
    version.ToString(true);
    version.ToUInt();
    version.ToUInt(true);
    return 0;
}
