#include "SKUDefinition.h"

#include "StringLibrary.h"
#include "XMLLoader.h"
#include "XMLParser.h"

#include <string>
#include <strings.h>
#include <utility>
#include <vector>

namespace {

// An attribute's whole value, NULs from character references included (the C
// string the library also offers ends at the first); null when it is absent.
const std::string* Value(const TiXmlElement* element, const char* name) {
    return element->Attribute(std::string(name));
}

// An attribute's text; unset when the attribute is absent.
QeString AttributeText(const TiXmlElement* element, const char* name) {
    const std::string* value = Value(element, name);
    return value != nullptr ? QeString(value->data(), value->size()) : QeString();
}

// The first child node named `name`, when that node is an element.
TiXmlElement* FirstChildElement(TiXmlNode* parent, const char* name) {
    TiXmlNode* child = parent->FirstChild(name);
    return child != nullptr ? child->ToElement() : nullptr;
}

// The next child element named `name` after `previous` (the first for null),
// passing over nodes of that name that are not elements.
TiXmlElement* NextChildElement(TiXmlNode* parent, const char* name, TiXmlNode* previous) {
    for (TiXmlNode* node = parent->IterateChildren(name, previous); node != nullptr;
         node = parent->IterateChildren(name, node)) {
        if (TiXmlElement* element = node->ToElement())
            return element;
    }
    return nullptr;
}

template <class Visit> void ForEachChildElement(TiXmlNode* parent, const char* name, Visit visit) {
    for (TiXmlElement* element = NextChildElement(parent, name, nullptr); element != nullptr;
         element = NextChildElement(parent, name, element))
        visit(element);
}

// Only "0" and "1" are understood (and "0" has no other case); anything
// else, an absent attribute included, keeps the inherited value.
bool getBoolFlagFromString(const std::string* text, bool inherited) {
    if (text != nullptr && *text == "0")
        return false;
    if (text != nullptr && *text == "1")
        return true;
    return inherited;
}

// The names a host is keyed under: "Name32" for x86, "Name" for x64, and the
// name alone when no architecture is given. Unknown words add nothing.
Vector<QeString> HostVariants(const QeString& hostName, const QeString& arch) {
    const Vector<QeString> pieces = StringLibrary::Split(arch, QeString(";"), /*skipEmpty=*/true);
    if (pieces.empty())
        return Vector<QeString>{hostName};
    Vector<QeString> variants;
    for (const QeString& piece : pieces) {
        if (piece.EqualsIgnoreCase("x86"))
            variants.add(hostName + "32");
        else if (piece.EqualsIgnoreCase("x64"))
            variants.add(hostName);
    }
    return variants;
}

// A directory or file entry with the attributes both kinds share.
FileNode MakeEntry(const TiXmlElement* element, const FileNode& parent, const QeString& parentName,
                   bool isDirectory) {
    FileNode entry;
    entry.name = AttributeText(element, "fileName");
    entry.isDirectory = isDirectory;
    entry.parentDirectory = parentName;
    // Read straight from the attributes: this runs once per entry of trees
    // that can be large.
    const std::string* arch = Value(element, "arch");
    entry.isX86 =
        arch != nullptr && arch->size() == 3 && strcasecmp(arch->c_str(), "x86") == 0 ? 1 : 0;
    entry.dontDelete = getBoolFlagFromString(Value(element, "dontdelete"), parent.dontDelete);
    entry.ignoreInstallErrors =
        getBoolFlagFromString(Value(element, "ignoreinstallerrors"), parent.ignoreInstallErrors);
    entry.allowDowngrade =
        getBoolFlagFromString(Value(element, "allowdowngrade"), parent.allowDowngrade);
    return entry;
}

void ReadFileEntries(FileNode& parent, TiXmlNode* element, const QeString& parentName) {
    ForEachChildElement(element, "file", [&](TiXmlElement* file) {
        FileNode entry = MakeEntry(file, parent, parentName, /*isDirectory=*/false);
        if (entry.name.IsEmpty())
            return;
        entry.configuration = AttributeText(file, "configuration");
        if (TiXmlElement* shortcut = FirstChildElement(file, "shortCut")) {
            entry.shortcutName = AttributeText(shortcut, "name");
            entry.shortcutDir = AttributeText(shortcut, "dir");
        }
        QeString key = entry.name;
        parent.children.insert_or_assign(std::move(key), std::move(entry));
    });
}

} // namespace

void SKUDefinition::clear() {
    *this = SKUDefinition();
}

void SKUDefinition::fromFile(const QeString& path, XMLLimits::Cut* cut) {
    TiXmlDocument document;
    const XMLLoadReport report = XMLLoader::LoadPath(document, path);
    if (cut != nullptr)
        *cut = report.cut;
    readDocument(document, DocumentUse::ReleaseAsRead);
}

void SKUDefinition::parse(const QeString& text) {
    TiXmlDocument document;
    const QeString utf8 = text.ToUTF8();
    XMLLoader::ParseText(document, utf8.ConstData(), utf8.Size());
    readDocument(document, DocumentUse::ReleaseAsRead);
}

void SKUDefinition::parseInner(TiXmlDocument& document) {
    readDocument(document, DocumentUse::Keep);
}

void SKUDefinition::release(TiXmlNode* node, DocumentUse use) {
    // The definition's strings then reuse that memory, and the document and
    // the definition are never both whole at once.
    if (use == DocumentUse::ReleaseAsRead)
        node->Clear();
}

void SKUDefinition::readDocument(TiXmlDocument& document, DocumentUse use) {
    clear();
    TiXmlNode* product = TiXmlHandle(&document).Child("product", 0).ToNode();
    if (product == nullptr)
        return;

    if (TiXmlElement* sku = FirstChildElement(product, "sku")) {
        skuInfo.id = AttributeText(sku, "ID");
        skuInfo.name = AttributeText(sku, "name");
        skuInfo.build = AttributeText(sku, "build");
        skuInfo.prefix = AttributeText(sku, "prefix");
    }
    if (TiXmlElement* package = FirstChildElement(product, "packageId"))
        packageId = AttributeText(package, "value");
    if (TiXmlElement* families = FirstChildElement(product, "families"))
        ForEachChildElement(families, "family", [this, use](TiXmlElement* family) {
            parseFamily(family);
            release(family, use);
        });
    parseHosts(product);
    if (TiXmlNode* files = product->FirstChild("installFiles")) {
        installFiles.name.Clear();
        installFiles.isDirectory = true;
        readInstallFiles(installFiles, files, QeString(), use);
    }
}

void SKUDefinition::parseFamily(TiXmlElement* family) {
    if (Value(family, "name") == nullptr)
        return;
    const QeString key = AttributeText(family, "name");

    if (TiXmlNode* plugins = family->FirstChild("plugins")) {
        Vector<QeString> names;
        std::map<QeString, int> indices;
        ForEachChildElement(plugins, "plugin", [&](TiXmlElement* plugin) {
            const int index = AttributeText(plugin, "index").GetLong(0);
            if (Value(plugin, "name") != nullptr) {
                const QeString pluginName = AttributeText(plugin, "name");
                names.add(pluginName);
                indices[pluginName] = index;
            }
        });
        if (!names.empty())
            familyPlugins.try_emplace(key, std::move(names));
        if (!indices.empty())
            familyPluginIndices[key] = std::move(indices);
    }

    if (TiXmlNode* contents = family->FirstChild("contents")) {
        Vector<QeString> names;
        ForEachChildElement(contents, "content", [&](TiXmlElement* content) {
            if (Value(content, "name") != nullptr)
                names.add(AttributeText(content, "name"));
        });
        if (!names.empty())
            familyContents.try_emplace(key, std::move(names));
    }

    TiXmlElement* mask = FirstChildElement(family, "featuresmask");
    if (mask != nullptr && Value(mask, "name") != nullptr)
        familyFeaturesMasks.try_emplace(key, AttributeText(mask, "name"));
    mask = FirstChildElement(family, "contentmask");
    if (mask != nullptr && Value(mask, "name") != nullptr)
        familyContentMasks[key] = AttributeText(mask, "name");
    mask = FirstChildElement(family, "pluginsmask");
    if (mask != nullptr && Value(mask, "name") != nullptr)
        familyPluginsMasks[key] = AttributeText(mask, "name");
}

void SKUDefinition::parseHosts(TiXmlNode* product) {
    fillHostsInfo(FirstChildElement(product, "hosts"), hosts, hostVariants, hostFamilies,
                  hostCompilerOptions);
    if (TiXmlElement* buildElement = FirstChildElement(product, "hostsForBuild")) {
        // Reading it replaces the compiler options taken from `hosts`.
        fillHostsInfo(buildElement, buildHosts, buildHostVariants, buildHostFamilies,
                      hostCompilerOptions);
    } else {
        buildHosts = hosts;
        buildHostVariants = hostVariants;
        buildHostFamilies = hostFamilies;
    }
}

void SKUDefinition::fillHostsInfo(TiXmlElement* element, Vector<QeString>& names,
                                  Vector<QeString>& variants,
                                  std::map<QeString, Vector<QeString>>& families,
                                  std::map<QeString, QeString>& options) {
    if (element == nullptr)
        return;
    options.clear();
    ForEachChildElement(element, "host", [&](TiXmlElement* host) {
        if (Value(host, "name") == nullptr)
            return;
        const QeString name = AttributeText(host, "name");
        names.add(name);
        const Vector<QeString> familyList = StringLibrary::Split(AttributeText(host, "families"),
                                                                 QeString(";"), /*skipEmpty=*/true);
        const QeString compilerOptions = AttributeText(host, "compilerOptions");
        for (QeString& variant : HostVariants(name, AttributeText(host, "arch"))) {
            if (compilerOptions.IsSet())
                options[variant] = compilerOptions;
            if (!familyList.empty())
                families[variant] = familyList;
            variants.add(std::move(variant));
        }
    });
}

namespace {

// One directory whose children are being read: the node they go into, its
// element, its name (handed down as the children's parentDirectory) and the
// last `directory` child taken so far.
struct PendingDirectory {
    FileNode* node;
    TiXmlNode* element;
    const QeString* name;
    TiXmlNode* lastDirectory;
};

} // namespace

void SKUDefinition::parseInstallFiles(FileNode& parent, TiXmlNode* element,
                                      const QeString& parentName) {
    readInstallFiles(parent, element, parentName, DocumentUse::Keep);
}

void SKUDefinition::readInstallFiles(FileNode& parent, TiXmlNode* element,
                                     const QeString& parentName, DocumentUse use) {
    if (element == nullptr)
        return;
    // Depth first in document order, as a recursive walk would go, but with a
    // work list so that no nesting depth can exhaust the stack. Each directory's
    // subtree is complete before its next sibling replaces an entry.
    std::vector<PendingDirectory> pending{{&parent, element, &parentName, nullptr}};
    while (!pending.empty()) {
        PendingDirectory& current = pending.back();
        TiXmlElement* directory =
            NextChildElement(current.element, "directory", current.lastDirectory);
        if (directory == nullptr) {
            ReadFileEntries(*current.node, current.element, *current.name);
            // Its subdirectories are done too; the element stays as the
            // place its parent's walk resumes from.
            release(current.element, use);
            pending.pop_back();
            continue;
        }
        current.lastDirectory = directory;
        FileNode entry = MakeEntry(directory, *current.node, *current.name, /*isDirectory=*/true);
        if (entry.name.IsEmpty())
            continue;
        QeString key = entry.name;
        FileNode& child =
            current.node->children.insert_or_assign(std::move(key), std::move(entry)).first->second;
        pending.push_back({&child, directory, &child.name, nullptr});
    }
}
