// Wall-clock time in seconds since the epoch, to the millisecond.
#include "XEMUtility.h"

#ifdef _WIN32
#include <sys/timeb.h>
#else
#include <ctime>
#endif

extern "C" double Time(void) {
#ifdef _WIN32
    struct _timeb now;
    _ftime(&now);
    const long long seconds = now.time;
    const unsigned milliseconds = now.millitm;
#else
    std::timespec now;
    std::timespec_get(&now, TIME_UTC);
    const long long seconds = now.tv_sec;
    const unsigned milliseconds = static_cast<unsigned>(now.tv_nsec / 1000000);
#endif
    return static_cast<double>(seconds) + static_cast<double>(milliseconds) / 1000.0;
}
