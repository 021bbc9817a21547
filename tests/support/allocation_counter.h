#pragma once
#include <cstdint>

namespace qx {

// Calls of the global operator new in this process so far (replaced in the test program).
int64_t operator_new_calls();

}  // namespace qx
