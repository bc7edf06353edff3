#include "TargetsFile.h"

#include "Outcome.h"
#include "PathLibrary.h"
#include "PrintableText.h"
#include "XMLLoader.h"
#include "XMLParser.h"

#include <algorithm>
#include <string>
#include <utility>

namespace {

using Target = TargetsFile::Target;
using Cut = XMLLimits::Cut;

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

// A file that breaks a rule: the finding is the program's, not the system's.
Outcome Refused(std::string why) {
    return Outcome::Failure(0, std::move(why));
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

// Reads one <target> into `target`.
Outcome ReadTarget(const TiXmlElement& element, Target& target) {
    const std::string* host = Value(element, "host");
    const std::string* name = Value(element, "name");
    const std::string* path = Value(element, "path");
    if ((host != nullptr) == (name != nullptr))
        return Refused(host != nullptr ? "has both host and name" : "has neither host nor name");
    const std::string kind = host != nullptr ? "host" : "name";
    const std::string& label = host != nullptr ? *host : *name;
    if (label.empty())
        return Refused("has an empty " + kind);
    if (label.find('\0') != std::string::npos)
        return Refused(kind + " holds a NUL byte");
    if (path == nullptr)
        return Refused("has no path");
    if (path->find('\0') != std::string::npos)
        return Refused("path holds a NUL byte");
    const std::string fault = PathFault(*path);
    if (!fault.empty())
        return Refused("path " + Quoted(*path) + " " + fault);
    (host != nullptr ? target.host : target.name) = ToQeString(label);
    target.path = ToQeString(*path);
    target.row = element.Row();
    return Outcome::Success();
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
Outcome UniqueName(const Target& target, const std::vector<Target>& earlier) {
    if (target.name.IsEmpty())
        return Outcome::Success();
    const auto same = std::find_if(earlier.begin(), earlier.end(),
                                   [&target](const Target& t) { return t.name == target.name; });
    if (same == earlier.end())
        return Outcome::Success();
    return Refused("name " + Quoted(Text(target.name)) + " is already that of target " +
                   std::to_string(same - earlier.begin() + 1));
}

// The checks of the whole document, up to its root. What the library read
// before a limit is not the file, whatever it parsed to.
Outcome WholeDocument(const TiXmlDocument& document, Cut cut) {
    if (cut != Cut::None)
        return Refused(XMLLimits::CutReason(cut));
    if (document.Error())
        return Refused(LinePrefix(document.ErrorRow()) + document.ErrorDesc());
    const TiXmlElement* root = document.RootElement();
    if (root == nullptr)
        return Refused("no <targets> element");
    if (root->ValueStr() != "targets")
        return Refused(LinePrefix(root->Row()) + "the root element is <" + root->ValueStr() +
                       ">, not <targets>");
    if (const TiXmlElement* second = root->NextSiblingElement())
        return Refused(LinePrefix(second->Row()) + "a second top-level element <" +
                       second->ValueStr() + ">");
    return Outcome::Success();
}

// Every target of `document` into `targets`.
Outcome ReadTargets(const TiXmlDocument& document, Cut cut, std::vector<Target>& targets) {
    const Outcome whole = WholeDocument(document, cut);
    if (!whole)
        return whole;
    for (const TiXmlElement* element = document.RootElement()->FirstChildElement();
         element != nullptr; element = element->NextSiblingElement()) {
        if (element->ValueStr() != "target")
            return Refused(LinePrefix(element->Row()) + "unknown element <" + element->ValueStr() +
                           ">");
        Target target;
        Outcome read = ReadTarget(*element, target);
        if (read)
            read = UniqueName(target, targets);
        if (!read)
            return read.In("target " + std::to_string(targets.size() + 1) + " (" + Label(*element) +
                           "line " + std::to_string(element->Row()) + ")");
        targets.push_back(std::move(target));
    }
    return Outcome::Success();
}

// All of the file or nothing: `error` gets why it was refused.
bool Accept(const Outcome& read, std::vector<Target>& targets, std::string& error) {
    if (!read)
        targets.clear();
    error = read.Message();
    return read.Succeeded();
}

} // namespace

bool TargetsFile::fromFile(const QeString& path, std::string& error) {
    targets.clear();
    TiXmlDocument document;
    const XMLLoadReport report = XMLLoader::LoadPath(document, path);
    if (!report.opened)
        return Accept(Refused(Quoted(Text(path)) + " is not a readable regular file"), targets,
                      error);
    return Accept(ReadTargets(document, report.cut, targets), targets, error);
}

bool TargetsFile::parse(const std::string& text, std::string& error) {
    targets.clear();
    TiXmlDocument document;
    const Cut cut = XMLLoader::ParseText(document, text.data(), text.size());
    return Accept(ReadTargets(document, cut, targets), targets, error);
}

const TargetsFile::Target* TargetsFile::namedTarget(const QeString& name) const {
    if (name.IsEmpty())
        return nullptr;
    const auto found = std::find_if(targets.begin(), targets.end(),
                                    [&name](const Target& t) { return t.name == name; });
    return found != targets.end() ? &*found : nullptr;
}
