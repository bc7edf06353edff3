// DetachedTasks: programs started and not waited for.
//
// Each task runs in a process that is not this one's child: it is adopted
// by init and never left as a zombie. A task started while this process
// owns its terminal may still need that terminal after this process would
// have ended, so the process can wait for such tasks before it ends.
#ifndef QE_DETACHEDTASKS_H
#define QE_DETACHEDTASKS_H

#include "Descriptor.h"

#include <string>
#include <vector>

class DetachedTasks {
public:
    /// Starts the program at the absolute path `command[0]` as
    /// ProcessLibrary::Spawn does, without waiting for it; false when it
    /// could not be started.
    bool Launch(const std::vector<std::string>& command);
    /// Waits, with the terminal's interrupt keys ignored, until every task
    /// launched while this process owned its terminal has ended; at once when
    /// there was none. The shell takes its terminal back when this process
    /// ends, and such a task could then no longer ask its questions there.
    void WaitForTerminalTasks();

private:
    // Read end of a pipe whose write end only the launched tasks hold: it
    // ends when they all have.
    Descriptor terminalTasks;
};

#endif
