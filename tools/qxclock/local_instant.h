// local_instant.h - the instant of a given time of day, in local time.
#ifndef QXCLOCK_LOCAL_INSTANT_H
#define QXCLOCK_LOCAL_INSTANT_H

#include <sys/time.h>

#include <ctime>

#include "result.h"

namespace qxclock {

// Finds the instant on the local calendar day of `now` whose local time reads
// hour:minute:second, with no microseconds. On a day where the clocks jump
// that time may not exist (or exist twice); then the nearest day on which it
// exists once or more is used, so the clock always shows exactly the time asked
// for. Fails ("cannot find HH:MM:SS in local time") only if no such instant
// can be found.
quillkit::Result<timeval> local_instant_today(std::time_t now, int hour, int minute, int second);

}  // namespace qxclock

#endif  // QXCLOCK_LOCAL_INSTANT_H
