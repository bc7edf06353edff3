#include "PolkitAuthority.h"

#include "Descriptor.h"
#include "ProcessLibrary.h"

#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

// pkcheck's exit statuses; any other is an error, such as an action polkit
// does not know or no polkit at all.
enum PkcheckStatus { kAuthorized = 0, kNotAuthorized = 1, kChallenge = 2, kDismissed = 3 };

} // namespace

PolkitAuthority::PolkitAuthority(std::string checkProgram, std::string execProgram)
    : checkProgram(std::move(checkProgram)), execProgram(std::move(execProgram)) {}

PolkitAuthority::Answer PolkitAuthority::Ask(bool interactionAllowed) const {
    std::vector<std::string> command = {checkProgram, "--action-id", kAction, "--process",
                                        std::to_string(getpid())};
    // Without an agent, pkcheck answers "challenge" even when it may interact.
    if (interactionAllowed)
        command.push_back("--allow-user-interaction");
    // pkcheck prints the authorization's details and its reasons: not ours to show.
    const Descriptor discard(open("/dev/null", O_WRONLY | O_CLOEXEC));
    ProcessOutput quiet;
    quiet.descriptor = discard.Get();
    quiet.quietErrors = true;
    switch (ProcessLibrary::Run(command, quiet)) {
    case kAuthorized:
        return Answer::Granted;
    case kNotAuthorized:
    case kDismissed:
        return Answer::Refused;
    case kChallenge:
    default:
        return Answer::NotAsked;
    }
}
