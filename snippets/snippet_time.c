/* snippet_time.c - the time of the animation frame being drawn. */
#include "snippets.h"

#include <math.h>

/* One clock per thread: threads drawing different frames at once each see
 * their own. */
static __thread double frame_seconds;

double snippet_time(void)
{
    return frame_seconds;
}

void snippet_set_time(double seconds)
{
    frame_seconds = isfinite(seconds) ? seconds : 0.0;
}
