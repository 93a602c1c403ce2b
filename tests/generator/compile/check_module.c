/* Checks a compiled snippets.c from the inside.
 *
 *   check_module ARG...
 *
 * ARG are the arguments quillmake was given, run in the same directory. For
 * every snippet the program checks its name, its source text (against the
 * file's bytes), the name lookup and what snippet_do draws: a snippet holding
 * "pixel: AARRGGBB" must leave that ARGB32 value at (16, 16) of a blank
 * 32 x 32 surface, any other snippet must leave it blank. Then the default
 * case, a failed lookup and the two background painters. Every failure is
 * printed; the exit status is the number of failures. */
#define _POSIX_C_SOURCE 200809L
#include "snippets.h"

#include <stdint.h>
#include <unistd.h>

static int failures;

#define CHECK(cond, ...)                                                                           \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            printf("%s:%d: ", __FILE__, __LINE__);                                                 \
            printf(__VA_ARGS__);                                                                   \
            printf("\n");                                                                          \
            failures++;                                                                            \
        }                                                                                          \
    } while (0)

static char *read_whole(const char *path, size_t *size)
{
    FILE *file = fopen(path, "rb");
    char *bytes = NULL;
    size_t used = 0, got;
    char block[4096];
    if (file == NULL)
        return NULL;
    while ((got = fread(block, 1, sizeof block, file)) > 0) {
        bytes = realloc(bytes, used + got + 1);
        memcpy(bytes + used, block, got);
        used += got;
    }
    fclose(file);
    if (bytes == NULL)
        bytes = calloc(1, 1);
    bytes[used] = '\0';
    *size = used;
    return bytes;
}

static uint32_t pixel(cairo_surface_t *surface, int x, int y)
{
    const unsigned char *data;
    cairo_surface_flush(surface);
    data = cairo_image_surface_get_data(surface);
    return *(const uint32_t *)(data + y * cairo_image_surface_get_stride(surface) + 4 * x);
}

/* True when every channel of a and b differs by at most tolerance. */
static int near(uint32_t a, uint32_t b, int tolerance)
{
    int shift;
    for (shift = 0; shift < 32; shift += 8) {
        int d = (int)((a >> shift) & 0xff) - (int)((b >> shift) & 0xff);
        if (d < -tolerance || d > tolerance)
            return 0;
    }
    return 1;
}

/* Runs f(arg) with standard error going to a temporary file; returns what it
 * printed there (malloc'ed). */
static char *capture_stderr(void (*f)(void *), void *arg)
{
    FILE *tmp = tmpfile();
    int saved = dup(2);
    size_t size;
    long length;
    char *text;
    fflush(stderr);
    dup2(fileno(tmp), 2);
    f(arg);
    fflush(stderr);
    dup2(saved, 2);
    close(saved);
    length = ftell(tmp);
    text = calloc(1, (size_t)(length > 0 ? length : 0) + 1);
    rewind(tmp);
    size = fread(text, 1, (size_t)(length > 0 ? length : 0), tmp);
    text[size] = '\0';
    fclose(tmp);
    return text;
}

struct do_call {
    cairo_t *cr;
    int snippet_no;
};

static void call_do(void *arg)
{
    struct do_call *call = arg;
    snippet_do(call->cr, call->snippet_no);
}

static void call_name2no(void *arg)
{
    CHECK(snippet_name2no((const char *)arg) == -1, "lookup of '%s' must fail", (const char *)arg);
}

static void check_out_of_range(int snippet_no)
{
    cairo_surface_t *surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 32, 32);
    struct do_call call;
    char expected[80];
    char *said;
    call.cr = cairo_create(surface);
    call.snippet_no = snippet_no;
    said = capture_stderr(call_do, &call);
    snprintf(expected, sizeof expected, "do_snippet: snippet_no %d, out of range\n", snippet_no);
    CHECK(strcmp(said, expected) == 0, "snippet_do (%d) printed '%s'", snippet_no, said);
    CHECK(pixel(surface, 16, 16) == 0, "snippet_do (%d) drew something", snippet_no);
    free(said);
    cairo_destroy(call.cr);
    cairo_surface_destroy(surface);
}

static void check_snippet(int i, const char *arg, int first_with_name)
{
    size_t size = 0;
    char *bytes = read_whole(arg, &size);
    size_t name_length = strlen(arg) - strlen(".cairo");
    cairo_surface_t *surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 32, 32);
    cairo_t *cr = cairo_create(surface);
    const char *mark;
    uint32_t want = 0;

    CHECK(bytes != NULL, "cannot read '%s'", arg);
    if (bytes == NULL)
        return;
    CHECK(snippet_name[i] != NULL && strlen(snippet_name[i]) == name_length &&
              memcmp(snippet_name[i], arg, name_length) == 0,
          "snippet_name[%d] is '%s' for argument '%s'", i, snippet_name[i], arg);
    CHECK(snippet_source[i] != NULL && strlen(snippet_source[i]) == size &&
              memcmp(snippet_source[i], bytes, size) == 0,
          "snippet_source[%d] differs from '%s'", i, arg);
    if (snippet_name[i] != NULL)
        CHECK(snippet_name2no(snippet_name[i]) == first_with_name,
              "snippet_name2no ('%s') is not %d", snippet_name[i], first_with_name);

    mark = strstr(bytes, "pixel: ");
    if (mark != NULL)
        want = (uint32_t)strtoul(mark + strlen("pixel: "), NULL, 16);
    snippet_do(cr, i);
    CHECK(pixel(surface, 16, 16) == want, "snippet %d drew 0x%08x at (16, 16), want 0x%08x", i,
          (unsigned)pixel(surface, 16, 16), (unsigned)want);
    CHECK(pixel(surface, 2, 2) == 0, "snippet %d drew outside its square", i);

    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    free(bytes);
}

/* A 2 x 2 PNG: red, green on top, blue, white below. */
static void write_test_png(const char *file)
{
    cairo_surface_t *surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 2, 2);
    cairo_t *cr = cairo_create(surface);
    const double colour[4][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 1, 1}};
    int k;
    for (k = 0; k < 4; k++) {
        cairo_set_source_rgb(cr, colour[k][0], colour[k][1], colour[k][2]);
        cairo_rectangle(cr, k % 2, k / 2, 1, 1);
        cairo_fill(cr);
    }
    cairo_destroy(cr);
    cairo_surface_write_to_png(surface, file);
    cairo_surface_destroy(surface);
}

static void check_backgrounds(void)
{
    cairo_surface_t *surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 64, 64);
    cairo_t *cr = cairo_create(surface);
    cairo_matrix_t matrix;

    /* The unit square of the user space covers the whole surface. */
    cairo_scale(cr, 64, 64);
    write_test_png("background.png");
    snippet_set_bg_png(cr, "background.png");
    /* Quadrant centres sample one texel each (bilinear filtering blends the
     * neighbours only a little there). */
    CHECK(near(pixel(surface, 16, 16), 0xffff0000, 16), "png: red quadrant is 0x%08x",
          (unsigned)pixel(surface, 16, 16));
    CHECK(near(pixel(surface, 48, 16), 0xff00ff00, 16), "png: green quadrant is 0x%08x",
          (unsigned)pixel(surface, 48, 16));
    CHECK(near(pixel(surface, 16, 48), 0xff0000ff, 16), "png: blue quadrant is 0x%08x",
          (unsigned)pixel(surface, 16, 48));
    CHECK(near(pixel(surface, 48, 48), 0xffffffff, 16), "png: white quadrant is 0x%08x",
          (unsigned)pixel(surface, 48, 48));

    cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
    cairo_paint(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    snippet_set_bg_svg(cr, "any.svg");
    CHECK(pixel(surface, 0, 0) == 0xff0000ff && pixel(surface, 63, 63) == 0xff0000ff &&
              pixel(surface, 63, 0) == 0xff0000ff,
          "svg: the document does not fill the unit square");
    cairo_get_matrix(cr, &matrix);
    CHECK(matrix.xx == 64 && matrix.yy == 64, "svg: the matrix was not restored");

    cairo_destroy(cr);
    cairo_surface_destroy(surface);
}

int main(int argc, char **argv)
{
    int count = 0, a, b;
    for (a = 1; a < argc; a++) {
        int first = count;
        if (argv[a][0] == '-')
            continue;
        /* The lowest number among snippets of the same name. */
        for (b = 1, first = 0; b < a; b++) {
            if (argv[b][0] == '-')
                continue;
            if (strcmp(argv[b], argv[a]) == 0)
                break;
            first++;
        }
        check_snippet(count, argv[a], first);
        count++;
    }
    CHECK(snippet_count == count, "snippet_count is %d, want %d", snippet_count, count);
    CHECK(snippet_name[count] == NULL && snippet_source[count] == NULL,
          "the tables do not end in NULL");

    check_out_of_range(count);
    check_out_of_range(count + 7);
    check_out_of_range(-1);
    {
        char *said = capture_stderr(call_name2no, "no such snippet");
        CHECK(strcmp(said, "snippet_name2no: by name 'no such snippet' not found\n") == 0,
              "failed lookup printed '%s'", said);
        free(said);
    }
    check_backgrounds();
    return failures;
}
