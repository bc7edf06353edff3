#include "SKUInfoPrinter.h"

#include <algorithm>
#include <cstdio>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

std::string QuotedList(const Vector<QeString>& items) {
    if (items.empty())
        return "none";
    std::string list;
    for (const QeString& item : items) {
        if (!list.empty())
            list += ", ";
        list += SKUInfoPrinter::Quoted(item);
    }
    return list;
}

template <class Value>
const Value* Find(const std::map<QeString, Value>& map, const QeString& key) {
    const auto found = map.find(key);
    return found != map.end() ? &found->second : nullptr;
}

std::string QuotedOrNone(const QeString* text) {
    return text != nullptr ? SKUInfoPrinter::Quoted(*text) : "none";
}

std::string PluginIndices(const std::map<QeString, int>* indices) {
    if (indices == nullptr)
        return "none";
    std::string list;
    for (const auto& [plugin, index] : *indices) {
        if (!list.empty())
            list += ", ";
        list += SKUInfoPrinter::Quoted(plugin) + " = " + std::to_string(index);
    }
    return list;
}

std::string FeaturesMask(const QeBitSet* mask) {
    if (mask == nullptr)
        return "none";
    return "width " + std::to_string(mask->bits.size()) + ", set bits " +
           SKUInfoPrinter::SetBits(*mask);
}

std::string EntryFlags(const FileNode& node) {
    std::string flags;
    const std::pair<bool, const char*> all[] = {{node.isX86 != 0, "x86"},
                                                {node.dontDelete, "dontDelete"},
                                                {node.ignoreInstallErrors, "ignoreInstallErrors"},
                                                {node.allowDowngrade, "allowDowngrade"}};
    for (const auto& [set, name] : all) {
        if (set)
            flags += std::string("  ") + name;
    }
    return flags;
}

std::string EntryLine(const FileNode& node) {
    std::string line = (node.isDirectory ? "dir  " : "file ") + SKUInfoPrinter::Quoted(node.name);
    line += EntryFlags(node);
    if (node.configuration.IsSet())
        line += "  configuration " + SKUInfoPrinter::Quoted(node.configuration);
    if (node.shortcutName.IsSet() || node.shortcutDir.IsSet()) {
        line += "  shortcut " + SKUInfoPrinter::Quoted(node.shortcutName) + " in " +
                SKUInfoPrinter::Quoted(node.shortcutDir);
    }
    return line;
}

} // namespace

std::string SKUInfoPrinter::Quoted(const QeString& text) {
    std::string quoted = "\"";
    for (unsigned long i = 0; i < text.Size(); ++i) {
        const unsigned char byte = static_cast<unsigned char>(text[i]);
        if (byte == '"' || byte == '\\') {
            quoted += '\\';
            quoted += static_cast<char>(byte);
        } else if (byte < 0x20 || byte == 0x7f) {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
            quoted += escaped;
        } else {
            quoted += static_cast<char>(byte);
        }
    }
    return quoted + "\"";
}

std::string SKUInfoPrinter::SetBits(const QeBitSet& mask) {
    std::string ranges;
    const std::size_t width = mask.bits.size();
    for (std::size_t first = 0; first < width; ++first) {
        if (!mask.bits[first])
            continue;
        std::size_t last = first;
        while (last + 1 < width && mask.bits[last + 1])
            ++last;
        if (!ranges.empty())
            ranges += ", ";
        ranges += std::to_string(first);
        if (last > first)
            ranges += "-" + std::to_string(last);
        first = last;
    }
    return ranges.empty() ? "none" : ranges;
}

void SKUInfoPrinter::Print(const SKUDefinition& definition, std::ostream& out) {
    PrintIdentity(definition, out);
    PrintFamilies(definition, out);
    PrintHosts("Hosts", definition.hosts, definition.hostVariants, definition.hostFamilies, out);
    PrintHosts("Build hosts", definition.buildHosts, definition.buildHostVariants,
               definition.buildHostFamilies, out);
    PrintCompilerOptions(definition.hostCompilerOptions, out);
    PrintInstallFiles(definition.installFiles, out);
}

void SKUInfoPrinter::PrintIdentity(const SKUDefinition& definition, std::ostream& out) {
    const SKUDefinition::SKUInfo& info = definition.skuInfo;
    out << "Product\n"
        << "  ID         " << Quoted(info.id) << "\n"
        << "  name       " << Quoted(info.name) << "\n"
        << "  build      " << Quoted(info.build) << "\n"
        << "  prefix     " << Quoted(info.prefix) << "\n"
        << "  packageId  " << Quoted(definition.packageId) << "\n";
}

void SKUInfoPrinter::PrintFamilies(const SKUDefinition& definition, std::ostream& out) {
    // A family may appear in any of the six maps without the others.
    std::set<QeString> names;
    const auto collect = [&names](const auto& map) {
        for (const auto& entry : map)
            names.insert(entry.first);
    };
    collect(definition.familyPlugins);
    collect(definition.familyPluginIndices);
    collect(definition.familyContents);
    collect(definition.familyFeaturesMasks);
    collect(definition.familyContentMasks);
    collect(definition.familyPluginsMasks);

    out << "\nFamilies (" << names.size() << ")\n";
    for (const QeString& name : names) {
        const Vector<QeString>* plugins = Find(definition.familyPlugins, name);
        const Vector<QeString>* contents = Find(definition.familyContents, name);
        out << "  family " << Quoted(name) << "\n"
            << "    plug-ins         " << (plugins ? QuotedList(*plugins) : "none") << "\n"
            << "    plug-in indices  " << PluginIndices(Find(definition.familyPluginIndices, name))
            << "\n"
            << "    contents         " << (contents ? QuotedList(*contents) : "none") << "\n"
            << "    features mask    " << FeaturesMask(Find(definition.familyFeaturesMasks, name))
            << "\n"
            << "    content mask     " << QuotedOrNone(Find(definition.familyContentMasks, name))
            << "\n"
            << "    plug-ins mask    " << QuotedOrNone(Find(definition.familyPluginsMasks, name))
            << "\n";
    }
}

void SKUInfoPrinter::PrintHosts(const char* title, const Vector<QeString>& names,
                                const Vector<QeString>& variants,
                                const std::map<QeString, Vector<QeString>>& families,
                                std::ostream& out) {
    out << "\n"
        << title << " (" << names.size() << ")\n"
        << "  names     " << QuotedList(names) << "\n"
        << "  variants  " << QuotedList(variants) << "\n";
    // A variant listed twice shares one entry in each map: show it once.
    std::set<QeString> shown;
    for (const QeString& variant : variants) {
        if (!shown.insert(variant).second)
            continue;
        const Vector<QeString>* familyList = Find(families, variant);
        out << "  families of " << Quoted(variant) << ": "
            << (familyList ? QuotedList(*familyList) : "none") << "\n";
    }
}

void SKUInfoPrinter::PrintCompilerOptions(const std::map<QeString, QeString>& options,
                                          std::ostream& out) {
    out << "\nCompiler options (" << options.size() << ")\n";
    for (const auto& [variant, text] : options)
        out << "  " << Quoted(variant) << ": " << Quoted(text) << "\n";
}

void SKUInfoPrinter::PrintInstallFiles(const FileNode& root, std::ostream& out) {
    out << "\nInstall files";
    if (!root.isDirectory) {
        out << ": none\n";
        return;
    }
    out << " (" << root.children.size() << " at the top)\n";
    // Depth first with a work list: a tree may be nested deeper than the stack.
    std::vector<std::pair<const FileNode*, std::size_t>> pending;
    for (auto child = root.children.rbegin(); child != root.children.rend(); ++child)
        pending.emplace_back(&child->second, 1);
    while (!pending.empty()) {
        const auto [node, depth] = pending.back();
        pending.pop_back();
        out << std::string(2 * depth, ' ') << EntryLine(*node) << "\n";
        for (auto child = node->children.rbegin(); child != node->children.rend(); ++child)
            pending.emplace_back(&child->second, depth + 1);
    }
}

namespace {

std::string Padded(const std::string& text, std::size_t width) {
    return text + std::string(width > text.size() ? width - text.size() : 0, ' ');
}

std::string WithoutTrailingSpaces(std::string line) {
    line.erase(line.find_last_not_of(' ') + 1);
    return line;
}

std::string Offer(const SKUDefinition::FamilyOffers& offers, const QeString& family,
                  const QeString& variant) {
    const bool install = offers.hasHost(family, variant);
    const bool build = offers.hasHostBuild(family, variant);
    if (!install && !build)
        return "-";
    return std::string(install ? "I" : "") + (install && build ? " " : "") + (build ? "B" : "");
}

} // namespace

void SKUInfoPrinter::PrintFamilyOffers(const SKUDefinition& definition, std::ostream& out) {
    const std::set<QeString> named = definition.getFamilies();
    out << "Families named by hosts (" << named.size()
        << "): " << QuotedList(Vector<QeString>(named.begin(), named.end())) << "\n";

    std::set<QeString> families = named;
    for (const auto& entry : definition.familyPlugins)
        families.insert(entry.first);
    // Each variant once, in the order of its first mention.
    Vector<QeString> variants;
    std::set<QeString> listed;
    for (const Vector<QeString>* list : {&definition.hostVariants, &definition.buildHostVariants}) {
        for (const QeString& variant : *list) {
            if (listed.insert(variant).second)
                variants.add(variant);
        }
    }

    const SKUDefinition::FamilyOffers offers(definition);
    out << "\nOffered to each host variant (I: install, B: build)\n";
    std::size_t nameWidth = 0;
    for (const QeString& family : families)
        nameWidth = std::max(nameWidth, Quoted(family).size());
    std::vector<std::size_t> widths;
    std::string header = "  " + Padded("", nameWidth);
    for (const QeString& variant : variants) {
        widths.push_back(std::max<std::size_t>(Quoted(variant).size(), 3));
        header += "  " + Padded(Quoted(variant), widths.back());
    }
    out << WithoutTrailingSpaces(header) << "\n";
    for (const QeString& family : families) {
        std::string row = "  " + Padded(Quoted(family), nameWidth);
        for (std::size_t i = 0; i < variants.size(); ++i)
            row += "  " + Padded(Offer(offers, family, variants[i]), widths[i]);
        out << WithoutTrailingSpaces(row) << "\n";
    }
}
