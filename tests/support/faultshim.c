/* A fault-injection library for tests, loaded with LD_PRELOAD into a program under test.
 * It counts the calls of write, fdatasync, fsync and rename that touch files under
 * CALVERDINE_FAULT_DIR and acts at call number CALVERDINE_FAULT_AT (from 1):
 *   CALVERDINE_FAULT_CALLS   the calls counted, comma-separated (default: all four)
 *   CALVERDINE_FAULT_ACTION  "kill": the process dies by SIGKILL before that call is made;
 *                            otherwise the call fails with errno CALVERDINE_FAULT_ERRNO
 *                            (default EIO) without doing anything.
 * Without CALVERDINE_FAULT_AT the calls are only counted. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <limits.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/types.h>
#include <unistd.h>

static long s_count;

static int under_dir(const char* path)
{
    const char* dir = getenv("CALVERDINE_FAULT_DIR");
    if (!dir || !*dir || !path)
        return 0;
    return strncmp(path, dir, strlen(dir)) == 0;
}

static int fd_under_dir(int fd)
{
    char link[64], target[PATH_MAX];
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t n = readlink(link, target, sizeof target - 1);
    if (n <= 0)
        return 0;
    target[n] = '\0';
    return under_dir(target);
}

static int counted(const char* call)
{
    const char* calls = getenv("CALVERDINE_FAULT_CALLS");
    if (calls && *calls) {
        const size_t len = strlen(call);
        const char* p = calls;
        int found = 0;
        while ((p = strstr(p, call)) != NULL) {
            if ((p == calls || p[-1] == ',') && (p[len] == '\0' || p[len] == ',')) {
                found = 1;
                break;
            }
            p += len;
        }
        if (!found)
            return 0;
    }
    return 1;
}

/* 0 to make the call; otherwise the errno to fail it with. */
static int fault(const char* call)
{
    if (!counted(call))
        return 0;
    const long n = ++s_count;
    const char* at = getenv("CALVERDINE_FAULT_AT");
    if (!at || atol(at) != n)
        return 0;
    const char* action = getenv("CALVERDINE_FAULT_ACTION");
    if (action && strcmp(action, "kill") == 0) {
        raise(SIGKILL);
        _exit(137);
    }
    const char* number = getenv("CALVERDINE_FAULT_ERRNO");
    return number && atoi(number) > 0 ? atoi(number) : EIO;
}

/* Whether this call is to fail; errno is then set. */
static int fails(const char* call)
{
    const int e = fault(call);
    if (e)
        errno = e;
    return e != 0;
}

ssize_t write(int fd, const void* buf, size_t count)
{
    static ssize_t (*real)(int, const void*, size_t);
    if (!real)
        real = (ssize_t(*)(int, const void*, size_t))dlsym(RTLD_NEXT, "write");
    if (fd > 2 && fd_under_dir(fd) && fails("write"))
        return -1;
    return real(fd, buf, count);
}

int fdatasync(int fd)
{
    static int (*real)(int);
    if (!real)
        real = (int (*)(int))dlsym(RTLD_NEXT, "fdatasync");
    if (fd_under_dir(fd) && fails("fdatasync"))
        return -1;
    return real(fd);
}

int fsync(int fd)
{
    static int (*real)(int);
    if (!real)
        real = (int (*)(int))dlsym(RTLD_NEXT, "fsync");
    if (fd_under_dir(fd) && fails("fsync"))
        return -1;
    return real(fd);
}

int rename(const char* from, const char* to)
{
    static int (*real)(const char*, const char*);
    if (!real)
        real = (int (*)(const char*, const char*))dlsym(RTLD_NEXT, "rename");
    if (under_dir(to) && fails("rename"))
        return -1;
    return real(from, to);
}
