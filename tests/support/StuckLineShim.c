/* A serial line whose transmitter has stopped, put in front of a real pseudo-terminal by
 * LD_PRELOAD for the tests that run the programs as processes.
 *
 * The device named by KELDA_STUCK_LINE takes bytes into a transmit queue of 4096 bytes that
 * never drains, reports them through TIOCOUTQ, and empties it on an output flush. Closing it
 * with bytes still queued waits as Linux's serial drivers do (the closing wait, 30 s, or
 * KELDA_STUCK_LINE_CLOSE_MS). Everything else passes to the pseudo-terminal. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <stdarg.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

enum { kCapacity = 4096 };

static int gFd = -1;
static int gQueued = 0;

static void* Next(const char* name) {
    return dlsym(RTLD_NEXT, name);
}

static int IsStuckPath(const char* path) {
    const char* stuck = getenv("KELDA_STUCK_LINE");
    return stuck && path && strcmp(stuck, path) == 0;
}

static int Track(const char* path, int fd) {
    if (fd >= 0 && IsStuckPath(path)) {
        gFd = fd;
        gQueued = 0;
    }
    return fd;
}

int open(const char* path, int flags, ...) {
    va_list ap;
    va_start(ap, flags);
    mode_t mode = (mode_t)va_arg(ap, int);
    va_end(ap);
    int (*real)(const char*, int, ...) = (int (*)(const char*, int, ...))Next("open");
    return Track(path, real(path, flags, mode));
}

int open64(const char* path, int flags, ...) {
    va_list ap;
    va_start(ap, flags);
    mode_t mode = (mode_t)va_arg(ap, int);
    va_end(ap);
    int (*real)(const char*, int, ...) = (int (*)(const char*, int, ...))Next("open64");
    return Track(path, real(path, flags, mode));
}

ssize_t write(int fd, const void* buf, size_t n) {
    if (fd == gFd && fd >= 0) {
        size_t room = (size_t)(kCapacity - gQueued);
        if (room == 0) {
            errno = EAGAIN;
            return -1;
        }
        size_t taken = n < room ? n : room;
        gQueued += (int)taken;
        return (ssize_t)taken;
    }
    ssize_t (*real)(int, const void*, size_t) =
        (ssize_t (*)(int, const void*, size_t))Next("write");
    return real(fd, buf, n);
}

/* The C library declares the array write-only, which it is not for poll's caller. */
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
int poll(struct pollfd* fds, nfds_t n, int timeout) {
    /* Waiting to write on the full queue: it never gets room. */
    if (fds != NULL && n == 1 && gFd >= 0 && fds[0].fd == gFd && (fds[0].events & POLLOUT) &&
        gQueued >= kCapacity) {
        if (timeout > 0) {
            struct timespec t = {timeout / 1000, (long)(timeout % 1000) * 1000000L};
            nanosleep(&t, NULL);
        }
        fds[0].revents = 0;
        return 0;
    }
    int (*real)(struct pollfd*, nfds_t, int) = (int (*)(struct pollfd*, nfds_t, int))Next("poll");
    return real(fds, n, timeout);
}

static void Flush(int fd, int selector) {
    if (fd == gFd && fd >= 0 && (selector == TCOFLUSH || selector == TCIOFLUSH)) gQueued = 0;
}

int tcflush(int fd, int selector) {
    Flush(fd, selector);
    int (*real)(int, int) = (int (*)(int, int))Next("tcflush");
    return real(fd, selector);
}

int ioctl(int fd, unsigned long request, ...) {
    va_list ap;
    va_start(ap, request);
    void* arg = va_arg(ap, void*);
    va_end(ap);
    if (fd == gFd && fd >= 0) {
        if (request == TIOCOUTQ) {
            *(int*)arg = gQueued;
            return 0;
        }
        if (request == TCFLSH) Flush(fd, (int)(long)arg);
    }
    int (*real)(int, unsigned long, ...) = (int (*)(int, unsigned long, ...))Next("ioctl");
    return real(fd, request, arg);
}

int close(int fd) {
    if (fd == gFd && fd >= 0) {
        if (gQueued > 0) {
            const char* ms = getenv("KELDA_STUCK_LINE_CLOSE_MS");
            long wait = ms ? atol(ms) : 30000;
            struct timespec t = {wait / 1000, (wait % 1000) * 1000000L};
            nanosleep(&t, NULL);
        }
        gFd = -1;
        gQueued = 0;
    }
    int (*real)(int) = (int (*)(int))Next("close");
    return real(fd);
}
