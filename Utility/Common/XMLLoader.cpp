#include "XMLLoader.h"

#include "FileLibrary.h"
#include "Internal/XMLPreScan.h"
#include "XMLParser.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <sys/stat.h>

namespace {

using Cut = XMLLimits::Cut;
using Reading = XMLPreScan::Reading;

// The library takes a multi-byte character's first byte for the whole
// character and steps over what follows, the terminating NUL included, and so
// could read past the end of its text: every text it is given ends with NULs
// to spare.
const unsigned long kSpareNuls = 4;

Reading ReadAsTheLibraryWill(const char* text, unsigned long size) {
    return XMLPreScan(text, size, /*nulEnds=*/true, XMLLimits::kMaxDepth, XMLLimits::kMaxAttributes)
        .Scan();
}

// The library reads its text up to the first NUL.
std::string PreparedText(const char* text, unsigned long size, Cut& cut) {
    const Reading reading = ReadAsTheLibraryWill(text, strnlen(text, size));
    cut = reading.cut;
    std::string prepared(text, reading.length);
    prepared.append(kSpareNuls, '\0');
    return prepared;
}

// Why `path` could not be opened as a regular file: the error of opening it,
// or what it is instead.
Outcome Unopened(const QeString& path, int error) {
    struct stat status;
    if (error == 0 || (stat(path.ConstData(), &status) == 0 && !S_ISREG(status.st_mode)))
        return Outcome::Failure(error, "not a regular file");
    return Outcome::Failure(error, std::strerror(error));
}

// What the library's own LoadFile reads: from the start, as many bytes as
// seeking to the end tells, in one read. `content` gets room for `spare`
// more bytes.
enum class FileRead { Read, Empty, Failed };

FileRead ReadAsTheLibraryDoes(FILE* file, std::size_t spare, std::string& content) {
    std::fseek(file, 0, SEEK_END);
    const long length = std::ftell(file);
    std::fseek(file, 0, SEEK_SET);
    if (length <= 0)
        return FileRead::Empty;
    content.reserve(static_cast<std::size_t>(length) + spare);
    content.resize(static_cast<std::size_t>(length));
    return std::fread(&content[0], content.size(), 1, file) == 1 ? FileRead::Read
                                                                 : FileRead::Failed;
}

// CR LF and a lone CR become LF, in place up to the first NUL, as the library
// does to a file it loads itself. As there, a NUL ends the shorter text and
// the bytes after it are left as they were.
void NormalizeLineEnds(std::string& text) {
    const std::size_t end = std::strlen(text.c_str());
    std::size_t write = text.find('\r');
    if (write >= end)
        return;
    for (std::size_t read = write; read < end;) {
        const char c = text[read++];
        if (c != '\r') {
            text[write++] = c;
            continue;
        }
        text[write++] = '\n';
        if (read < end && text[read] == '\n')
            ++read;
    }
    text[write] = '\0';
}

// Lets the library load `prepared` as a file: it clears the document, its
// place included, as only its own loading does.
void LoadThroughTheLibrary(TiXmlDocument& document, std::string& prepared) {
    if (FILE* file = fmemopen(&prepared[0], prepared.size(), "rb")) {
        document.LoadFile(file, TIXML_ENCODING_UNKNOWN);
        std::fclose(file);
    }
}

// Nothing of the file reaches the library; it reports an empty file in its
// own words, and an unreadable one as it would have.
void LoadNothing(TiXmlDocument& document, FileRead read) {
    std::string nothing(kSpareNuls, '\0');
    LoadThroughTheLibrary(document, nothing);
    if (read == FileRead::Failed) {
        document.ClearError();
        document.SetError(TiXmlBase::TIXML_ERROR_OPENING_FILE, nullptr, nullptr,
                          TIXML_ENCODING_UNKNOWN);
    }
}

// Loads what was read of a file, within the limits; the limit that cut or
// refused it.
Cut LoadContent(TiXmlDocument& document, std::string& content) {
    Cut found = Cut::None;
    // Nothing past a NUL is read, but a limit passed there is reported.
    const unsigned long beforeNul = strnlen(content.data(), content.size());
    if (beforeNul < content.size()) {
        found = XMLPreScan(content.data(), content.size(), /*nulEnds=*/false, XMLLimits::kMaxDepth,
                           XMLLimits::kMaxAttributes)
                    .Scan()
                    .cut;
    }
    // The text is handed over in place rather than read a second time, with
    // what the library's own loading would do to it, and scanned as the
    // library will then read it: the bytes left after the shortened line ends
    // included.
    content.resize(beforeNul);
    NormalizeLineEnds(content);
    content.append(kSpareNuls, '\0');
    const Reading reading = ReadAsTheLibraryWill(content.data(), content.size());
    if (reading.cut != Cut::None) {
        found = reading.cut;
        content.resize(reading.length);
        content.append(kSpareNuls, '\0');
    }
    // Refused past a NUL too: the part before it is not read either.
    if (!XMLLimits::RefusalReason(found).empty())
        content.assign(kSpareNuls, '\0');
    if (content[0] == '\0') {
        LoadNothing(document, FileRead::Empty);
    } else {
        document.Clear();
        document.Parse(content.c_str(), nullptr, TIXML_ENCODING_UNKNOWN);
    }
    return found;
}

} // namespace

XMLLoadReport XMLLoader::LoadPath(TiXmlDocument& document, const QeString& path) {
    XMLLoadReport report;
    errno = 0;
    FILE* file = FileLibrary::OpenRegularFile(path);
    if (file == nullptr) {
        report.opened = Unopened(path, errno);
        return report;
    }
    LoadFile(document, file, &report.cut);
    std::fclose(file);
    return report;
}

bool XMLLoader::LoadFile(TiXmlDocument& document, FILE* file, Cut* cut) {
    std::string content;
    const FileRead read = ReadAsTheLibraryDoes(file, kSpareNuls, content);
    const Cut found = read == FileRead::Read ? LoadContent(document, content) : Cut::None;
    if (read != FileRead::Read)
        LoadNothing(document, read);
    if (cut != nullptr)
        *cut = found;
    return found == Cut::None;
}

Cut XMLLoader::ParseText(TiXmlDocument& document, const char* text, unsigned long size) {
    Cut cut = Cut::None;
    const std::string prepared = PreparedText(text, size, cut);
    document.Parse(prepared.c_str(), nullptr, TIXML_ENCODING_UNKNOWN);
    return cut;
}
