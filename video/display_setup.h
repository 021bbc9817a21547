#pragma once
#include "platform/display.h"
#include "player/player_context.h"

void setup_display(PlayerContext& context);
void swap_work_surfaces(PlayerContext& context);
void release_display(PlayerContext& context);

// Sets the pixel-format fields of `params` from a display's pixel format, as setup_display does
// for the primary surface. False when the decoders cannot serve the format: a component mask
// without bits below bit 31, or a component of more than 8 bits.
bool set_display_pixel_format(PlayParams& params, const PixelFormat& format);
