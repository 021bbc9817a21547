#pragma once
#include "platform/display.h"
#include "player/play_params.h"
#include "video/display_target.h"

namespace qx {

// The video stage's view of the display fields of `params`: the options as its flags set them
// now, and the fields themselves.
DisplayTarget display_target_of(PlayParams& params);

// Sets the pixel-format fields of `params` from a display's pixel format, as the display set-up
// does for the primary surface. False when the decoders cannot serve the format.
bool set_display_pixel_format(PlayParams& params, const PixelFormat& format);

}  // namespace qx
