#include "platform/faults.h"

namespace qx {

PlatformFaults& platform_faults() {
    static PlatformFaults faults;
    return faults;
}

void platform_faults_reset() {
    PlatformFaults& f = platform_faults();
    f.file_open_fails = false;
    f.file_set_buffer_fails = false;
    f.file_read_error_at = -1;
    f.timer_caps_fail = false;
    f.timer_period_min = 1;
    f.timer_period_max = 1000000;
    f.timer_create_fails = false;
    f.timer_kill_fails = false;
    f.thread_create_fails = false;
}

}  // namespace qx
