#include "platform/sdl/display_mode.h"

namespace qx {

PixelFormat DisplayMode::pixel_format() const {
    PixelFormat format;
    format.rgb_bit_count = static_cast<uint32_t>(bytes_per_pixel() * 8);
    switch (depth) {
        case 8:
            format.flags = PIXEL_FORMAT_RGB | PIXEL_FORMAT_PALETTE_INDEXED8;
            break;
        case 15:
            format.flags = PIXEL_FORMAT_RGB;
            format.red_mask = 0x7C00;
            format.green_mask = 0x03E0;
            format.blue_mask = 0x001F;
            break;
        case 16:
            format.flags = PIXEL_FORMAT_RGB;
            format.red_mask = 0xF800;
            format.green_mask = 0x07E0;
            format.blue_mask = 0x001F;
            break;
        default:
            format.flags = PIXEL_FORMAT_RGB;
            format.red_mask = 0xFF0000;
            format.green_mask = 0x00FF00;
            format.blue_mask = 0x0000FF;
            break;
    }
    return format;
}

bool display_mode_valid(const DisplayMode& mode) {
    const bool known_depth = mode.depth == 8 || mode.depth == 15 || mode.depth == 16 ||
                             mode.depth == 24 || mode.depth == 32;
    return known_depth && mode.width >= 1 && mode.height >= 1 &&
           mode.width <= DISPLAY_MODE_MAX_SIDE && mode.height <= DISPLAY_MODE_MAX_SIDE;
}

}  // namespace qx
