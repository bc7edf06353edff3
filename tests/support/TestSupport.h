// TestSupport: what the test files share: a string's bytes as a std::string,
// failures that show a QeString as its text, a definition's text, and a
// private scratch folder.
#ifndef QE_TESTS_TESTSUPPORT_H
#define QE_TESTS_TESTSUPPORT_H

#include "QeString.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <ostream>
#include <stdexcept>
#include <string>

/// Every byte of `text`, NULs included.
inline std::string Text(const QeString& text) {
    return std::string(text.ConstData(), text.Size());
}

/// Failures show a QeString as its quoted, escaped bytes.
inline void PrintTo(const QeString& text, std::ostream* out) {
    *out << ::testing::PrintToString(Text(text));
}

/// A product definition's text: `sku`, then `hosts`, then `installFiles`
/// inside <installFiles>, all in <product>.
///   DefinitionText(R"(<file fileName="a"/>)")
///   // <product><sku name="P"/><hosts><host name="H"/></hosts>
///   //   <installFiles><file fileName="a"/></installFiles></product>
inline std::string DefinitionText(const std::string& installFiles,
                                  const std::string& hosts = R"(<hosts><host name="H"/></hosts>)",
                                  const std::string& sku = R"(<sku name="P"/>)") {
    return "<product>" + sku + hosts + "<installFiles>" + installFiles +
           "</installFiles></product>";
}

/// A new folder private to this user (mode 0700), named `prefix`-XXXXXX in
/// $TMPDIR when that is an absolute path, else in /tmp; its real path, so
/// that no link lies on it. Throws, failing the test, when it cannot be made.
inline std::string MakeScratchFolder(const std::string& prefix) {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern =
        std::string(tmp != nullptr && tmp[0] == '/' ? tmp : "/tmp") + "/" + prefix + "-XXXXXX";
    char real[PATH_MAX];
    if (mkdtemp(pattern.data()) == nullptr || realpath(pattern.c_str(), real) == nullptr)
        throw std::runtime_error("cannot make a scratch folder " + pattern);
    return real;
}

#endif
