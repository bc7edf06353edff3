#include "TargetsFile.h"

#include "FileLibrary.h"
#include "PathLibrary.h"
#include "PrintableText.h"
#include "XMLNestingLimit.h"
#include "XMLParser.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>

namespace {

using Target = TargetsFile::Target;
using Cut = XMLNestingLimit::Cut;

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

std::string Text(const QeString& text) {
    return std::string(text.ConstData(), text.Size());
}

QeString ToQeString(const std::string& text) {
    return QeString(text.data(), text.size());
}

std::string LinePrefix(int row) {
    return row > 0 ? "line " + std::to_string(row) + ": " : std::string();
}

// What the library read before a limit is not the file, whatever it parsed to.
std::string CutReason(Cut cut) {
    const std::string refused = XMLNestingLimit::RefusalReason(cut);
    if (!refused.empty())
        return refused;
    if (cut == Cut::Depth)
        return "elements nested deeper than " + std::to_string(XMLNestingLimit::kMaxDepth);
    return "an element with more than " + std::to_string(XMLNestingLimit::kMaxAttributes) +
           " attributes";
}

// The whole value, NULs from character references included: the C string the
// library also offers ends at the first, which would hide the rest.
const std::string* Value(const TiXmlElement& element, const char* name) {
    return element.Attribute(std::string(name));
}

// Why `path` cannot be a target folder, or empty.
std::string PathFault(const std::string& path) {
    if (path.empty() || path[0] != '/')
        return "is not absolute";
    if (path.find_first_not_of('/') == std::string::npos)
        return "is the root";
    for (const std::string& component : PathLibrary::Components(path)) {
        if (component == "." || component == "..")
            return "has a " + Quoted(component) + " component";
    }
    return std::string();
}

// Reads one <target> into `target`; why it is refused, or empty.
std::string ReadTarget(const TiXmlElement& element, Target& target) {
    const std::string* host = Value(element, "host");
    const std::string* name = Value(element, "name");
    const std::string* path = Value(element, "path");
    if ((host != nullptr) == (name != nullptr))
        return host != nullptr ? "has both host and name" : "has neither host nor name";
    const std::string kind = host != nullptr ? "host" : "name";
    const std::string& label = host != nullptr ? *host : *name;
    if (label.empty())
        return "has an empty " + kind;
    if (label.find('\0') != std::string::npos)
        return kind + " holds a NUL byte";
    if (path == nullptr)
        return "has no path";
    if (path->find('\0') != std::string::npos)
        return "path holds a NUL byte";
    const std::string fault = PathFault(*path);
    if (!fault.empty())
        return "path " + Quoted(*path) + " " + fault;
    (host != nullptr ? target.host : target.name) = ToQeString(label);
    target.path = ToQeString(*path);
    target.row = element.Row();
    return std::string();
}

// How a refused target is known besides its place: its host, else its name,
// else its path, as written.
std::string Label(const TiXmlElement& element) {
    for (const char* attribute : {"host", "name", "path"}) {
        if (const std::string* value = Value(element, attribute))
            return std::string(attribute) + " " + Quoted(PrintableText::Escaped(*value)) + ", ";
    }
    return std::string();
}

// A shortcut's folder must be one: no two named targets share a name.
std::string DuplicateName(const Target& target, const std::vector<Target>& earlier) {
    if (target.name.IsEmpty())
        return std::string();
    const auto same = std::find_if(earlier.begin(), earlier.end(),
                                   [&target](const Target& t) { return t.name == target.name; });
    if (same == earlier.end())
        return std::string();
    return "name " + Quoted(Text(target.name)) + " is already that of target " +
           std::to_string(same - earlier.begin() + 1);
}

// The checks of the whole document, up to its root.
std::string DocumentFault(const TiXmlDocument& document, Cut cut) {
    if (cut != Cut::None)
        return CutReason(cut);
    if (document.Error())
        return LinePrefix(document.ErrorRow()) + document.ErrorDesc();
    const TiXmlElement* root = document.RootElement();
    if (root == nullptr)
        return "no <targets> element";
    if (root->ValueStr() != "targets")
        return LinePrefix(root->Row()) + "the root element is <" + root->ValueStr() +
               ">, not <targets>";
    if (const TiXmlElement* second = root->NextSiblingElement())
        return LinePrefix(second->Row()) + "a second top-level element <" + second->ValueStr() +
               ">";
    return std::string();
}

// Every target of `document` into `targets`, or why the file is refused.
std::string ReadTargets(const TiXmlDocument& document, Cut cut, std::vector<Target>& targets) {
    const std::string fault = DocumentFault(document, cut);
    if (!fault.empty())
        return fault;
    for (const TiXmlElement* element = document.RootElement()->FirstChildElement();
         element != nullptr; element = element->NextSiblingElement()) {
        if (element->ValueStr() != "target")
            return LinePrefix(element->Row()) + "unknown element <" + element->ValueStr() + ">";
        Target target;
        std::string why = ReadTarget(*element, target);
        if (why.empty())
            why = DuplicateName(target, targets);
        if (!why.empty())
            return "target " + std::to_string(targets.size() + 1) + " (" + Label(*element) +
                   "line " + std::to_string(element->Row()) + "): " + why;
        targets.push_back(std::move(target));
    }
    return std::string();
}

bool Accept(const TiXmlDocument& document, Cut cut, std::vector<Target>& targets,
            std::string& error) {
    targets.clear();
    error = ReadTargets(document, cut, targets);
    if (!error.empty())
        targets.clear();
    return error.empty();
}

} // namespace

bool TargetsFile::fromFile(const QeString& path, std::string& error) {
    FILE* file = FileLibrary::OpenRegularFile(path);
    if (file == nullptr) {
        targets.clear();
        error = Quoted(Text(path)) + " is not a readable regular file";
        return false;
    }
    TiXmlDocument document;
    Cut cut = Cut::None;
    XMLNestingLimit::LoadFile(document, file, &cut);
    std::fclose(file);
    return Accept(document, cut, targets, error);
}

bool TargetsFile::parse(const std::string& text, std::string& error) {
    Cut cut = Cut::None;
    const std::string prepared = XMLNestingLimit::PreparedText(text.data(), text.size(), &cut);
    TiXmlDocument document;
    document.Parse(prepared.c_str(), nullptr, TIXML_ENCODING_UNKNOWN);
    return Accept(document, cut, targets, error);
}

const TargetsFile::Target* TargetsFile::namedTarget(const QeString& name) const {
    if (name.IsEmpty())
        return nullptr;
    const auto found = std::find_if(targets.begin(), targets.end(),
                                    [&name](const Target& t) { return t.name == name; });
    return found != targets.end() ? &*found : nullptr;
}
