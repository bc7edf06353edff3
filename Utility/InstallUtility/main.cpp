// InstallUtility -uninstall SKU TARGETS -v: the suite's installer tool, in the
// mode the uninstaller runs it. It reads the product definition and says what
// it would remove; it removes nothing yet.
//
// Exit status: 0 when done, 1 when the definition or the targets file cannot
// be used, 2 for a wrong command line.

#include "FileLibrary.h"
#include "QeString.h"
#include "SKUDefinition.h"

#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

namespace {

const char kUsage[] = "usage: InstallUtility -uninstall SKU TARGETS -v\n";

int Fail(const std::string& message) {
    std::cerr << "InstallUtility: " << message << "\n";
    return 1;
}

std::string Text(const QeString& text) {
    return std::string(text.ConstData(), text.Size());
}

// Entries of the install-files tree, the root not counted.
unsigned long CountEntries(const FileNode& root) {
    unsigned long count = 0;
    std::vector<const FileNode*> pending{&root};
    while (!pending.empty()) {
        const FileNode* node = pending.back();
        pending.pop_back();
        for (const auto& child : node->children) {
            ++count;
            pending.push_back(&child.second);
        }
    }
    return count;
}

int Uninstall(const char* skuPath, const char* targetsPath) {
    SKUDefinition definition;
    definition.fromFile(skuPath);
    const SKUDefinition::SKUInfo info = definition.getSKUInfo();
    if (info.name.IsEmpty())
        return Fail(std::string(skuPath) + ": no product name; not a product definition");
    // Opened as the definition is, so that a FIFO or a device is refused
    // rather than waited on.
    FILE* targets = FileLibrary::OpenRegularFile(QeString(targetsPath));
    if (targets == nullptr)
        return Fail(std::string("cannot read ") + targetsPath + ": not a readable regular file");
    std::fclose(targets);
    std::cout << "Uninstalling " << Text(info.name) << " (" << Text(info.id) << ", build "
              << Text(info.build) << ")\n"
              << "  definition: " << skuPath << "\n"
              << "  targets:    " << targetsPath << "\n"
              << "  " << definition.familyPlugins.size() << " families with plug-ins, "
              << definition.hosts.size() << " hosts, " << CountEntries(definition.installFiles)
              << " install entries\n"
              << "Nothing was removed: removal is not built yet.\n";
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 5 || std::strcmp(argv[1], "-uninstall") != 0 || std::strcmp(argv[4], "-v") != 0) {
        std::cerr << kUsage;
        return 2;
    }
    const int status = Uninstall(argv[2], argv[3]);
    // The uninstaller waits for this output to end.
    return std::fclose(stdout) == 0 ? status : 1;
}
