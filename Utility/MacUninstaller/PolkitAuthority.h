// PolkitAuthority: the desktop's own authentication dialog, through polkit,
// for the one tool the installed action names.
//
// The action is installed with the runtime package; it names the installed
// InstallUtility and keeps an authorization for the process that obtained
// it for a few minutes. pkcheck asks through the session's authentication
// agent for this process; pkexec, started next by this same process, then
// runs the tool without asking again:
//
//   PolkitAuthority polkit;
//   if (polkit.Ask(/*interactionAllowed=*/true) == PolkitAuthority::Answer::Granted)
//       ProcessLibrary::Spawn({polkit.ExecProgram(), tool});   // pkexec TOOL
#ifndef QE_POLKITAUTHORITY_H
#define QE_POLKITAUTHORITY_H

#include <string>

class PolkitAuthority {
public:
    enum class Answer {
        /// Authenticated now or before; or nobody needs to be.
        Granted,
        /// The user dismissed the dialog or did not authenticate.
        Refused,
        /// Nobody was asked: no agent runs for this process's session, or
        /// authentication is needed and interaction is not allowed, or polkit
        /// or the action is missing. Another way of asking may serve.
        NotAsked,
    };

    /// The action of the runtime package's policy file.
    static constexpr char kAction[] = "com.qe.suite.uninstall";

    /// The two polkit programs, by absolute path.
    explicit PolkitAuthority(std::string checkProgram = "/usr/bin/pkcheck",
                             std::string execProgram = "/usr/bin/pkexec");

    /// Asks polkit whether this process may run the action's tool, through
    /// the agent when `interactionAllowed`; from pkcheck's exit status.
    Answer Ask(bool interactionAllowed) const;
    /// The pkexec that runs the tool as root, without asking once Ask granted.
    const std::string& ExecProgram() const { return execProgram; }

private:
    std::string checkProgram;
    std::string execProgram;
};

#endif
