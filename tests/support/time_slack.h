#pragma once

namespace qx {

// How much slower than normal the tests' processes run: a whole number QX_TIME_SLACK (1 when
// unset), given by runs under a race checker, which is several times slower. Real-time tests
// divide their clock scale by it and widen their wall-clock allowances by it, so that only a
// fault fails them, not the checker's slowdown.
double time_slack();

}  // namespace qx
