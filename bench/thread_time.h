#pragma once
#include <ctime>

namespace qx {

// The processor time of the calling thread, which other programs on a shared machine do not
// inflate the way they inflate elapsed time.
inline double thread_seconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

}  // namespace qx
