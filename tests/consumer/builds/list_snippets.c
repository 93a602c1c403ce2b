/* Prints the names of the snippets the program was built with, one a line. */
#include <stdio.h>

#include <quillkit/snippets.h>

int main(void)
{
    int i;
    for (i = 0; i < snippet_count; i++)
        printf("%s\n", snippet_name[i]);
    return 0;
}
