/* Preloaded into quillmake by the tests to bring about what is hard to time
 * from outside. Each fault is set in the environment:
 *
 *   QUILLKIT_FAIL_OPEN_PATH, QUILLKIT_FAIL_OPEN_AT=n
 *       the n-th open of the path fails with ENOENT, as if the snippet had
 *       been removed after the argument scan;
 *   QUILLKIT_CHANGE_PATH, QUILLKIT_CHANGE_AT=n, QUILLKIT_CHANGE_HOW=grow|touch
 *       just before the n-th open of the path, a byte is appended to the file
 *       (grow) or its modification time is set back to 2001 (touch);
 *   QUILLKIT_WRITE_LIMIT=bytes
 *       writes past that many bytes in all fail with ENOSPC (a full disk);
 *   QUILLKIT_STOP_AT_WRITE=n
 *       the process stops itself (SIGSTOP) just before its n-th write;
 *   QUILLKIT_STOP_AT_NAMING=1
 *       the process stops itself just before it first links or renames a file.
 *
 * A test that stops the process sees it stopped, signals it and lets it go on
 * with SIGCONT. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

/* One process, one set of counters: a preload shim has nowhere else to keep
 * them. */
static int opens_seen;
static int changes_seen;
static long long bytes_written;
static int writes_seen;
static int named;

static int env_int(const char *name)
{
    const char *value = getenv(name);
    return value != NULL ? atoi(value) : 0;
}

static void change_file(const char *path)
{
    const char *how = getenv("QUILLKIT_CHANGE_HOW");
    if (how != NULL && strcmp(how, "touch") == 0) {
        const struct timespec times[2] = {{978307200, 0}, {978307200, 0}};
        utimensat(AT_FDCWD, path, times, 0);
    } else {
        FILE *(*real_fopen)(const char *, const char *) =
            (FILE * (*)(const char *, const char *)) dlsym(RTLD_NEXT, "fopen");
        FILE *file = real_fopen(path, "a");
        if (file != NULL) {
            fputc('\n', file);
            fclose(file);
        }
    }
}

/* Returns -1 (errno set) when this open must fail. */
static int before_open(const char *path)
{
    const char *fail_path = getenv("QUILLKIT_FAIL_OPEN_PATH");
    const char *change_path = getenv("QUILLKIT_CHANGE_PATH");
    if (path == NULL)
        return 0;
    if (change_path != NULL && strcmp(path, change_path) == 0 &&
        ++changes_seen == env_int("QUILLKIT_CHANGE_AT"))
        change_file(path);
    if (fail_path != NULL && strcmp(path, fail_path) == 0 &&
        ++opens_seen == env_int("QUILLKIT_FAIL_OPEN_AT")) {
        errno = ENOENT;
        return -1;
    }
    return 0;
}

typedef int (*open_fn)(const char *, int, ...);
typedef int (*openat_fn)(int, const char *, int, ...);

/* The mode argument is there only with O_CREAT or O_TMPFILE. */
#define MODE_ARG(flags, mode)                                                                      \
    do {                                                                                           \
        if ((flags) & (O_CREAT | O_TMPFILE)) {                                                     \
            va_list ap;                                                                            \
            va_start(ap, flags);                                                                   \
            mode = (mode_t)va_arg(ap, int);                                                        \
            va_end(ap);                                                                            \
        }                                                                                          \
    } while (0)

int open(const char *path, int flags, ...)
{
    mode_t mode = 0;
    MODE_ARG(flags, mode);
    if (before_open(path) != 0)
        return -1;
    return ((open_fn)dlsym(RTLD_NEXT, "open"))(path, flags, mode);
}

int open64(const char *path, int flags, ...)
{
    mode_t mode = 0;
    MODE_ARG(flags, mode);
    if (before_open(path) != 0)
        return -1;
    return ((open_fn)dlsym(RTLD_NEXT, "open64"))(path, flags, mode);
}

int openat(int dir, const char *path, int flags, ...)
{
    mode_t mode = 0;
    MODE_ARG(flags, mode);
    if (before_open(path) != 0)
        return -1;
    return ((openat_fn)dlsym(RTLD_NEXT, "openat"))(dir, path, flags, mode);
}

ssize_t write(int fd, const void *buffer, size_t size)
{
    ssize_t (*real)(int, const void *, size_t) =
        (ssize_t(*)(int, const void *, size_t))dlsym(RTLD_NEXT, "write");
    const char *limit_text = getenv("QUILLKIT_WRITE_LIMIT");
    if (++writes_seen == env_int("QUILLKIT_STOP_AT_WRITE"))
        raise(SIGSTOP);
    if (limit_text != NULL) {
        const long long limit = atoll(limit_text);
        if (bytes_written >= limit) {
            errno = ENOSPC;
            return -1;
        }
        if ((long long)size > limit - bytes_written)
            size = (size_t)(limit - bytes_written);
    }
    {
        const ssize_t wrote = real(fd, buffer, size);
        if (wrote > 0)
            bytes_written += wrote;
        return wrote;
    }
}

static void before_naming(void)
{
    if (!named++ && env_int("QUILLKIT_STOP_AT_NAMING"))
        raise(SIGSTOP);
}

int linkat(int from_dir, const char *from, int to_dir, const char *to, int flags)
{
    int (*real)(int, const char *, int, const char *, int) =
        (int (*)(int, const char *, int, const char *, int))dlsym(RTLD_NEXT, "linkat");
    before_naming();
    return real(from_dir, from, to_dir, to, flags);
}

int rename(const char *from, const char *to)
{
    int (*real)(const char *, const char *) =
        (int (*)(const char *, const char *))dlsym(RTLD_NEXT, "rename");
    before_naming();
    return real(from, to);
}
