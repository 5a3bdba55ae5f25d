// Windows has no inotify: creating an instance fails with ENOSYS, so a
// watch reports that it cannot observe anything.
#pragma once

#include <stdint.h>

#define IN_OPEN 0x00000020u
#define IN_ISDIR 0x40000000u
#define IN_NONBLOCK 0x800
#define IN_CLOEXEC 0x80000

struct inotify_event {
    int wd;
    uint32_t mask;
    uint32_t cookie;
    uint32_t len;
    char name[];
};

#ifdef __cplusplus
extern "C" {
#endif

int inotify_init1(int flags);
int inotify_add_watch(int fd, const char* path, uint32_t mask);

#ifdef __cplusplus
}
#endif
