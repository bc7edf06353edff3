// QeString::FromGUID and GetGUID: an identifier built from the input survives
// its text, and a text that reads as an identifier survives the way back.
#include "FuzzCheck.h"
#include "QeString.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

bool SameFields(const _GUID& a, const _GUID& b) {
    // The text holds 32 bits of Data1, however wide the field is.
    return (a.Data1 & 0xFFFFFFFFUL) == (b.Data1 & 0xFFFFFFFFUL) && a.Data2 == b.Data2 &&
           a.Data3 == b.Data3 && std::memcmp(a.Data4, b.Data4, sizeof a.Data4) == 0;
}

bool IsGuidText(const std::string& text) {
    if (text.size() != 36)
        return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool hyphen = i == 8 || i == 13 || i == 18 || i == 23;
        if (hyphen ? c != '-' : !((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    }
    return true;
}

void CheckRoundTrip(const _GUID& guid) {
    QeString text("old content");
    text.FromGUID(guid);
    FuzzCheck(IsGuidText(FuzzText(text)), "FromGUID gives 36 lowercase characters");
    bool ok = false;
    const _GUID back = text.GetGUID(&ok);
    FuzzCheck(ok && SameFields(back, guid), "GetGUID reads FromGUID's text back");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    _GUID guid = {};
    guid.Data1 = input.ConsumeIntegral<unsigned long>();
    guid.Data2 = input.ConsumeIntegral<unsigned short>();
    guid.Data3 = input.ConsumeIntegral<unsigned short>();
    const std::vector<std::uint8_t> tail = input.ConsumeBytes<std::uint8_t>(sizeof guid.Data4);
    if (!tail.empty())
        std::memcpy(guid.Data4, tail.data(), tail.size());
    CheckRoundTrip(guid);

    const std::string rest = input.ConsumeRemainingBytesAsString();
    bool ok = true;
    const _GUID read = FuzzString(rest).GetGUID(&ok);
    if (ok)
        CheckRoundTrip(read);
    else
        FuzzCheck(SameFields(read, QeString::GetNullGuid()) && read.Data1 == 0,
                  "an unread text gives the null identifier");
    FuzzString(rest).GetGUID();
    return 0;
}
