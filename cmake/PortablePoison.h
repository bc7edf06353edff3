// Forced into every file of the portable build (-include): the calls, types
// and flags that Linux has and macOS lacks become compile errors, so the
// code paths built here are those macOS builds. The system headers that
// declare them come first: once poisoned, a name may not appear even in a
// declaration, and a header included again later is skipped by its guard.
#ifndef QE_PORTABLE_POISON_H
#define QE_PORTABLE_POISON_H

#define QE_PORTABLE 1

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/auxv.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/mman.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/random.h>
#include <sys/resource.h>
#include <sys/sendfile.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/timerfd.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <time.h>
#include <unistd.h>

// Descriptors, files and folders.
#pragma GCC poison statx pipe2 dup3 accept4 closefrom close_range getdents64 syncfs
#pragma GCC poison renameat2 copy_file_range vmsplice fallocate posix_fallocate posix_fadvise
#pragma GCC poison sendfile name_to_handle_at open_by_handle_at
#pragma GCC poison lgetxattr lsetxattr llistxattr lremovexattr umount2
#pragma GCC poison posix_spawn_file_actions_addclosefrom_np
// Waiting, events and memory.
#pragma GCC poison epoll_create epoll_create1 epoll_ctl epoll_wait epoll_pwait
#pragma GCC poison inotify_init inotify_init1 inotify_add_watch inotify_rm_watch
#pragma GCC poison eventfd signalfd timerfd_create timerfd_settime memfd_create mremap ppoll
#pragma GCC poison timer_create clock_nanosleep
// The process and its system.
#pragma GCC poison getrandom getauxval gettid prctl unshare setns sched_getcpu get_nprocs
#pragma GCC poison execvpe secure_getenv canonicalize_file_name get_current_dir_name
#pragma GCC poison program_invocation_name mempcpy

// Flags: their macros go first, as poisoning a defined macro only warns.
#undef STATX_MNT_ID
#undef AT_EMPTY_PATH
#undef O_PATH
#undef O_TMPFILE
#undef O_NOATIME
#undef SOCK_CLOEXEC
#undef SOCK_NONBLOCK
#undef MSG_NOSIGNAL
#undef MFD_CLOEXEC
#pragma GCC poison STATX_MNT_ID AT_EMPTY_PATH O_PATH O_TMPFILE O_NOATIME
#pragma GCC poison SOCK_CLOEXEC SOCK_NONBLOCK MSG_NOSIGNAL MFD_CLOEXEC

#endif
