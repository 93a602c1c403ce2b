/* png_argb32.c - read_png_argb32: a PNG file decoded with libpng straight
 * into the ARGB32 buffer handed to the caller.
 *
 * The size in the header is checked before anything is allocated, and the
 * rows are decoded into the caller's buffer and premultiplied as they come,
 * so that reading costs about the decoded image and no second copy of it.
 * Only regular files are read: a FIFO or a device would block or never end.
 */
#include "snippets.h"

#include <errno.h>
#include <fcntl.h>
#include <png.h>
#include <setjmp.h>
#include <stdint.h>
#include <sys/stat.h>
#include <unistd.h>

/* Larger images are refused before they are decoded: 2^26 pixels are 256 MiB
 * of ARGB32. */
enum { PNG_ARGB32_MAX_SIDE = 16384 };
#define PNG_ARGB32_MAX_PIXELS ((size_t)1 << 26)

/* One read: the file, and what the decoding leaves for the caller to free or
 * report. It lives outside the function that calls setjmp, so its members keep
 * their values across libpng's longjmp. */
struct argb32_read {
    int fd;
    int read_errno;        /* set when read(2) failed */
    char message[128];     /* why libpng stopped */
    unsigned char *buffer; /* the pixels, malloc'd */
    png_bytep *rows;       /* row pointers into buffer */
    png_uint_32 width, height;
    int stride;
};

/* One transparent pixel, standing in for a file that cannot be job. */
static char *blank_pixel(int *width, int *height, int *stride)
{
    char *buffer = calloc(1, 4);

    *width = buffer ? 1 : 0;
    *height = buffer ? 1 : 0;
    *stride = buffer ? 4 : 0;
    return buffer;
}

static void on_error(png_structp png, png_const_charp message)
{
    struct argb32_read *job = png_get_error_ptr(png);

    snprintf(job->message, sizeof job->message, "%s", message);
    png_longjmp(png, 1);
}

/* Warnings (a damaged ancillary chunk, which is skipped) do not stop the
 * picture. */
static void on_warning(png_structp png, png_const_charp message)
{
    (void)png;
    (void)message;
}

static void read_bytes(png_structp png, png_bytep data, size_t length)
{
    struct argb32_read *job = png_get_io_ptr(png);

    while (length > 0) {
        const ssize_t n = read(job->fd, data, length);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            job->read_errno = errno;
            png_error(png, "read error");
        }
        if (n == 0)
            png_error(png, "the file ends too early");
        data += n;
        length -= (size_t)n;
    }
}

static unsigned multiply_alpha(unsigned alpha, unsigned colour)
{
    const unsigned t = alpha * colour + 0x80;
    return (t + (t >> 8)) >> 8;
}

/* libpng hands over each row as R, G, B, A bytes: they become premultiplied
 * ARGB32 words in native byte order, in place. */
static void premultiply_row(png_structp png, png_row_infop info, png_bytep data)
{
    size_t i;

    (void)png;
    for (i = 0; i + 4 <= info->rowbytes; i += 4) {
        unsigned char *p = data + i;
        const unsigned a = p[3];
        uint32_t word;

        if (a == 0)
            word = 0;
        else if (a == 0xff)
            word = 0xff000000u | (uint32_t)p[0] << 16 | (uint32_t)p[1] << 8 | p[2];
        else
            word = (uint32_t)a << 24 | (uint32_t)multiply_alpha(a, p[0]) << 16 |
                   (uint32_t)multiply_alpha(a, p[1]) << 8 | multiply_alpha(a, p[2]);
        memcpy(p, &word, sizeof word);
    }
}

/* Everything becomes 8-bit R, G, B, A. */
static void ask_for_rgba(png_structp png, png_infop info)
{
    const int colour = png_get_color_type(png, info);
    const int depth = png_get_bit_depth(png, info);

    if (colour == PNG_COLOR_TYPE_PALETTE)
        png_set_palette_to_rgb(png);
    if (colour == PNG_COLOR_TYPE_GRAY && depth < 8)
        png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS))
        png_set_tRNS_to_alpha(png);
    if (depth == 16)
        png_set_strip_16(png);
    if (depth < 8)
        png_set_packing(png);
    if (colour == PNG_COLOR_TYPE_GRAY || colour == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(png);
    if (png_get_interlace_type(png, info) != PNG_INTERLACE_NONE)
        png_set_interlace_handling(png);
    png_set_filler(png, 0xff, PNG_FILLER_AFTER);
    png_set_read_user_transform_fn(png, premultiply_row);
}

/* Decodes job->fd into job->buffer; on failure returns 0 with the reason in
 * job->message (buffer and rows are then the caller's to free). */
static int decode(struct argb32_read *job)
{
    png_structp png;
    png_infop info = NULL;
    size_t y;

    png = png_create_read_struct(PNG_LIBPNG_VER_STRING, job, on_error, on_warning);
    if (png == NULL || (info = png_create_info_struct(png)) == NULL) {
        snprintf(job->message, sizeof job->message, "out of memory");
        png_destroy_read_struct(png ? &png : NULL, NULL, NULL);
        return 0;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, NULL);
        return 0;
    }
    png_set_read_fn(png, job, read_bytes);
    png_read_info(png, info);

    job->width = png_get_image_width(png, info);
    job->height = png_get_image_height(png, info);
    if (job->width > PNG_ARGB32_MAX_SIDE || job->height > PNG_ARGB32_MAX_SIDE ||
        (size_t)job->width * job->height > PNG_ARGB32_MAX_PIXELS) {
        snprintf(job->message, sizeof job->message,
                 "%lu x %lu pixels is too large (at most %d a side and %zu in all)",
                 (unsigned long)job->width, (unsigned long)job->height, PNG_ARGB32_MAX_SIDE,
                 PNG_ARGB32_MAX_PIXELS);
        png_destroy_read_struct(&png, &info, NULL);
        return 0;
    }

    ask_for_rgba(png, info);
    png_read_update_info(png, info);
    job->stride = cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, (int)job->width);
    if (png_get_rowbytes(png, info) != (size_t)job->width * 4 || job->stride < 0)
        png_error(png, "unexpected pixel layout");
    job->buffer = malloc((size_t)job->height * (size_t)job->stride);
    job->rows = malloc((size_t)job->height * sizeof *job->rows);
    if (job->buffer == NULL || job->rows == NULL)
        png_error(png, "out of memory");
    for (y = 0; y < job->height; y++)
        job->rows[y] = job->buffer + y * (size_t)job->stride;
    png_read_image(png, job->rows);
    png_read_end(png, NULL);
    png_destroy_read_struct(&png, &info, NULL);
    return 1;
}

/* The reason for the message, in the terms of the file rather than of
 * libpng. */
static void describe(const struct argb32_read *job, char *out, size_t size)
{
    const char *crc = strstr(job->message, "CRC error");

    if (job->read_errno != 0)
        snprintf(out, size, "%s", strerror(job->read_errno));
    else if (crc != NULL && crc - job->message == 6 && job->message[4] == ':')
        snprintf(out, size, "bad CRC in the %.4s chunk", job->message);
    else if (crc != NULL)
        snprintf(out, size, "bad CRC");
    else
        snprintf(out, size, "%s", job->message);
}

char *read_png_argb32(const char *file, int *width, int *height, int *stride)
{
    struct argb32_read job;
    struct stat st;
    char reason[160];
    int ok;

    memset(&job, 0, sizeof job);
    /* O_NONBLOCK: opening a FIFO must not wait for a writer either. */
    job.fd = open(file, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (job.fd < 0) {
        fprintf(stderr, "read_png_argb32: cannot read '%s': %s\n", file, strerror(errno));
        return blank_pixel(width, height, stride);
    }
    reason[0] = '\0';
    if (fstat(job.fd, &st) != 0)
        snprintf(reason, sizeof reason, "%s", strerror(errno));
    else if (S_ISDIR(st.st_mode))
        snprintf(reason, sizeof reason, "it is a directory");
    else if (!S_ISREG(st.st_mode))
        snprintf(reason, sizeof reason, "not a regular file");
    else if (st.st_size == 0)
        snprintf(reason, sizeof reason, "the file is empty");
    if (reason[0] != '\0') {
        fprintf(stderr, "read_png_argb32: cannot read '%s': %s\n", file, reason);
        close(job.fd);
        return blank_pixel(width, height, stride);
    }

    ok = decode(&job);
    close(job.fd);
    free(job.rows);
    if (!ok) {
        describe(&job, reason, sizeof reason);
        fprintf(stderr, "read_png_argb32: cannot read '%s': %s\n", file, reason);
        free(job.buffer);
        return blank_pixel(width, height, stride);
    }
    *width = (int)job.width;
    *height = (int)job.height;
    *stride = job.stride;
    return (char *)job.buffer;
}
