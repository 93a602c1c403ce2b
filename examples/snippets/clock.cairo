/* The kit's clock for the animation's time: the face with its logo, and the
 * hands for 10:08 plus snippet_time () seconds (in the local time zone), the
 * second hand sweeping. The program links the clock libraries
 * (quillkit-clock) besides the snippet runtime; their two calls are declared
 * here as qxdraw.h declares them. */
void qxface_draw (cairo_t *cr, double width, double height);
void qxhand_draw (cairo_t *cr, double width, double height, const struct timeval *tv,
                  int seconds);
struct tm start;
struct timeval tv;
double t;

memset (&start, 0, sizeof start);
start.tm_year = 100;
start.tm_mday = 1;
start.tm_hour = 10;
start.tm_min = 8;
start.tm_isdst = -1;
t = (double) mktime (&start) + snippet_time ();
tv.tv_sec = (time_t) floor (t);
tv.tv_usec = (suseconds_t) ((t - floor (t)) * 1e6);
qxface_draw (cr, 1, 1);
qxhand_draw (cr, 1, 1, &tv, 1);
