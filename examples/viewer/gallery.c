/* gallery.c - file names and contact sheet layout of the viewer. */
#include "gallery.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

gallery_layout_t gallery_layout(int count, int size)
{
    gallery_layout_t l;

    l.thumb = size < GALLERY_MAX_THUMB ? size : GALLERY_MAX_THUMB;
    l.columns = 1;
    while (l.columns * l.columns < count)
        l.columns++;
    l.rows = count > 0 ? (count + l.columns - 1) / l.columns : 0;
    l.width = GALLERY_GAP + l.columns * (l.thumb + GALLERY_GAP);
    l.height = GALLERY_GAP + l.rows * (l.thumb + GALLERY_LABEL + GALLERY_GAP);
    if (l.rows == 0)
        l.height = GALLERY_GAP + GALLERY_LABEL + GALLERY_GAP;
    return l;
}

void gallery_cell(const gallery_layout_t *l, int index, int *x, int *y)
{
    *x = GALLERY_GAP + (index % l->columns) * (l->thumb + GALLERY_GAP);
    *y = GALLERY_GAP + (index / l->columns) * (l->thumb + GALLERY_LABEL + GALLERY_GAP);
}

static int plain_char(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || c == '.';
}

static int taken(char **files, int count, const char *file)
{
    int i;

    if (strcmp(file, GALLERY_SHEET_FILE) == 0)
        return 1;
    for (i = 0; i < count; i++)
        if (strcmp(files[i], file) == 0)
            return 1;
    return 0;
}

char **gallery_file_names(const char *const *names, int count)
{
    char **files = calloc(count > 0 ? (size_t)count : 1, sizeof *files);
    int i;

    if (files == NULL)
        return NULL;
    for (i = 0; i < count; i++) {
        const char *name = names[i][0] ? names[i] : "snippet";
        size_t len = strlen(name), k;
        /* room for the name, "-<index>" and ".png" */
        char *file = malloc(len + 24);

        if (file == NULL) {
            gallery_free_names(files, i);
            return NULL;
        }
        for (k = 0; k < len; k++)
            file[k] = plain_char(name[k]) ? name[k] : '_';
        if (file[0] == '.')
            file[0] = '_';
        strcpy(file + len, ".png");
        /* "-<number>" from the snippet's own number up, until it is free */
        for (k = (size_t)i; taken(files, i, file); k++)
            sprintf(file + len, "-%zu.png", k);
        files[i] = file;
    }
    return files;
}

void gallery_free_names(char **files, int count)
{
    int i;

    if (files == NULL)
        return;
    for (i = 0; i < count; i++)
        free(files[i]);
    free(files);
}
