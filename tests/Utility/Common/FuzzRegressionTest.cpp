// Inputs the fuzz targets (fuzz/) failed on, kept as tests.
#include "QeString.h"
#include "SKUDefinition.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

// fuzz_parse: in a document declared UTF-8, the XML library takes the first
// byte of a multi-byte character as the whole character and steps over a NUL
// that comes too early. At the end of the text that NUL is the terminator and
// the library reads past the block (ASan, valgrind); inside the text it reads
// what follows. A definition ends at its first NUL, whatever byte precedes it.
TEST(FuzzRegression, NothingIsReadPastTheNulAfterALeadByte) {
    const std::filesystem::path file =
        std::filesystem::temp_directory_path() / ("fuzz-regression-" + std::to_string(getpid()));
    for (const std::string lead : {"x", "\xC2", "\xE8", "\xE8\x80", "\xF0"}) {
        std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><product>" + lead;
        text += '\0';
        text += "XYZ<packageId value=\"beyond\"/></product>";

        SKUDefinition parsed;
        parsed.parse(QeString(text.data(), text.size()));
        EXPECT_TRUE(parsed.packageId.IsEmpty()) << "parse, lead " << ::testing::PrintToString(lead);

        std::ofstream(file, std::ios::binary) << text;
        SKUDefinition loaded;
        loaded.fromFile(QeString(file.c_str()));
        EXPECT_TRUE(loaded.packageId.IsEmpty())
            << "fromFile, lead " << ::testing::PrintToString(lead);
    }
    std::filesystem::remove(file);
}
