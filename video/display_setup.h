#pragma once
#include "platform/display.h"
#include "video/display_target.h"
#include "video/video_output.h"

namespace qx {

void setup_display(VideoOutput& video);
void swap_work_surfaces(VideoOutput& video);
void release_display(VideoOutput& video);

// Sets the pixel-format fields of `target` from a display's pixel format, as setup_display does
// for the primary surface. False when the decoders cannot serve the format: a component mask
// without bits below bit 31, or a component of more than 8 bits.
bool set_display_pixel_format(const DisplayTarget& target, const PixelFormat& format);

}  // namespace qx
