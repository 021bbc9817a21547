#pragma once
#include <cstdint>

#include "platform/display.h"
#include "platform/soft/soft_backend.h"

namespace qx {

uint32_t soft_bytes_per_pixel(SoftPixelFormat format);
// The format as get_pixel_format describes it.
PixelFormat soft_describe_pixel_format(SoftPixelFormat format);

}  // namespace qx
