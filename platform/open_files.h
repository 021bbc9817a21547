#pragma once
#include <cstdint>

namespace qx {

// Files opened and not yet closed, for the tests that everything is released; kept out of
// file.h, which applications get.
int32_t file_open_count();

}  // namespace qx
