// InstallUtility -uninstall SKU TARGETS [-v] [--dry-run]: the suite's
// installer tool, in the mode the uninstaller runs it with administrator
// rights. It removes what the product definition SKU installed under the
// folders that TARGETS names, and keeps what it must; see the README.
//
// Exit status: 0 when done, 1 when something failed or an input is refused,
// 2 for a wrong command line.

#include "PrintableText.h"
#include "RemovalPlan.h"
#include "Remover.h"
#include "SKUDefinition.h"
#include "TargetsFile.h"
#include "XMLLimits.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <syslog.h>

namespace {

const char kUsage[] = "usage: InstallUtility -uninstall SKU TARGETS [-v] [--dry-run]\n";

struct Options {
    const char* definition = nullptr;
    const char* targets = nullptr;
    bool verbose = false;
    bool dryRun = false;
};

bool ReadOptions(int argc, char** argv, Options& options) {
    if (argc < 4 || std::strcmp(argv[1], "-uninstall") != 0)
        return false;
    options.definition = argv[2];
    options.targets = argv[3];
    for (int at = 4; at < argc; ++at) {
        bool* option = std::strcmp(argv[at], "-v") == 0          ? &options.verbose
                       : std::strcmp(argv[at], "--dry-run") == 0 ? &options.dryRun
                                                                 : nullptr;
        if (option == nullptr || *option)
            return false;
        *option = true;
    }
    return true;
}

std::string Text(const QeString& text) {
    return std::string(text.ConstData(), text.Size());
}

// What an administrator finds in the system log afterwards; a dry run
// changes nothing and leaves nothing there.
class Log {
public:
    explicit Log(bool enabled) : enabled(enabled) {
        if (enabled)
            openlog("InstallUtility", LOG_PID, LOG_USER);
    }
    ~Log() {
        if (enabled)
            closelog();
    }
    void Write(int priority, const std::string& text) const {
        if (enabled)
            syslog(priority, "%s", PrintableText::Escaped(text).c_str());
    }

private:
    bool enabled;
};

int Refuse(const Log& log, const std::string& message) {
    std::cerr << "InstallUtility: " << PrintableText::Escaped(message) << "\n";
    log.Write(LOG_ERR, "nothing removed: " + message);
    return 1;
}

int Uninstall(const Options& options) {
    const Log log(!options.dryRun);
    SKUDefinition definition;
    XMLLimits::Cut cut = XMLLimits::Cut::None;
    definition.fromFile(options.definition, &cut);
    const std::string refused = XMLLimits::RefusalReason(cut);
    if (!refused.empty())
        return Refuse(log, std::string(options.definition) + ": " + refused +
                               ", more than a definition may hold; not read");
    const SKUDefinition::SKUInfo info = definition.getSKUInfo();
    if (info.name.IsEmpty())
        return Refuse(log, std::string(options.definition) +
                               ": no product name; not a product definition");
    TargetsFile targets;
    std::string error;
    if (!targets.fromFile(options.targets, error))
        return Refuse(log, std::string(options.targets) + ": " + error);

    log.Write(LOG_NOTICE, "uninstalling " + Text(info.name) + " (" + Text(info.id) + ", build " +
                              Text(info.build) + ") from the targets in " + options.targets);
    const auto report = [&](const Remover::Line& line) {
        const std::string text = line.Text();
        if (options.verbose)
            std::cout << text << "\n";
        if (line.kind == Remover::Line::Kind::Failed)
            std::cerr << "InstallUtility: " << text << "\n";
        log.Write(line.kind == Remover::Line::Kind::Failed ? LOG_ERR : LOG_NOTICE, text);
    };
    const bool succeeded =
        Remover::Run(RemovalPlan::Make(definition, targets),
                     options.dryRun ? Remover::Mode::Check : Remover::Mode::Remove, report);
    log.Write(succeeded ? LOG_NOTICE : LOG_ERR,
              succeeded ? "uninstall done" : "uninstall done, with failures");
    return succeeded ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ReadOptions(argc, argv, options)) {
        std::cerr << kUsage;
        return 2;
    }
    // A reader that goes away must not stop a removal halfway: the writes
    // fail instead, and the exit status says so.
    std::signal(SIGPIPE, SIG_IGN);
    const int status = Uninstall(options);
    // The uninstaller waits for this output to end.
    const bool written = std::cout.flush().good();
    return std::fclose(stdout) == 0 && written ? status : 1;
}
