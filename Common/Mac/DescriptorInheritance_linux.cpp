#include "DescriptorInheritance.h"

#include <fcntl.h>
#include <unistd.h>

// pipe2 makes both ends closed on exec at once: no fork has to wait for it.
bool DescriptorInheritance::OpenPipe(int ends[2]) {
    return pipe2(ends, O_CLOEXEC) == 0;
}

pid_t DescriptorInheritance::Fork() {
    return fork();
}
