/* gallery.h - where the viewer puts things: the file name of each snippet's
 * picture and the layout of the contact sheet. Shared with the gallery check
 * so that both read the same layout. */
#ifndef QUILLKIT_GALLERY_H
#define QUILLKIT_GALLERY_H

#ifdef __cplusplus
extern "C" {
#endif

/* File name (without directory) of the contact sheet. */
#define GALLERY_SHEET_FILE "contact-sheet.png"

/* Contact sheet: cells of a thumbnail with its name underneath, laid out in
 * a near-square grid with a gap round every cell. */
enum {
    GALLERY_MAX_THUMB = 192, /* thumbnails are the picture size, at most this */
    GALLERY_GAP = 16,
    GALLERY_LABEL = 22,     /* height of the name strip under each thumbnail */
    GALLERY_MAX_SIZE = 8192 /* largest picture side the viewer accepts */
};

typedef struct {
    int thumb; /* side of a thumbnail */
    int columns, rows;
    int width, height; /* of the whole sheet */
} gallery_layout_t;

/* Layout for `count` snippets drawn at `size` pixels. */
gallery_layout_t gallery_layout(int count, int size);

/* Top left corner of thumbnail `index`. */
void gallery_cell(const gallery_layout_t *layout, int index, int *x, int *y);

/* File names "<name>.png" for snippet_name[0 .. count-1], each a malloc'd
 * string, kept to letters, digits, '-', '_' and '.' (anything else, and a
 * leading dot, becomes '_'; an empty name becomes "snippet"). A name that
 * would repeat an earlier one or the contact sheet's gets "-<number>" added
 * (its snippet number, or the next free one).
 * Returns NULL when out of memory; free with gallery_free_names. */
char **gallery_file_names(const char *const *names, int count);
void gallery_free_names(char **files, int count);

#ifdef __cplusplus
}
#endif

#endif /* QUILLKIT_GALLERY_H */
