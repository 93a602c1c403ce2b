/* Preloaded into quillmake by the tests: the QUILLKIT_FAIL_OPEN_AT-th fopen of
 * the path QUILLKIT_FAIL_OPEN_PATH fails with ENOENT, as if the snippet had been
 * removed between the argument scan and the reading of its text. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

typedef FILE *(*fopen_fn)(const char *, const char *);

/* One process, one counter: a preload shim has nowhere else to keep it. */
static int opens_seen;

static FILE *open_or_fail(const char *symbol, const char *path, const char *mode)
{
    const char *target = getenv("QUILLKIT_FAIL_OPEN_PATH");
    const char *at = getenv("QUILLKIT_FAIL_OPEN_AT");
    fopen_fn real = (fopen_fn)dlsym(RTLD_NEXT, symbol);
    if (target != NULL && at != NULL && path != NULL && strcmp(path, target) == 0 &&
        ++opens_seen == atoi(at)) {
        errno = ENOENT;
        return NULL;
    }
    return real(path, mode);
}

FILE *fopen(const char *path, const char *mode)
{
    return open_or_fail("fopen", path, mode);
}

FILE *fopen64(const char *path, const char *mode)
{
    return open_or_fail("fopen64", path, mode);
}
