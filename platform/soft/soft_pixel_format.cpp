#include "platform/soft/soft_pixel_format.h"

namespace qx {

uint32_t soft_bytes_per_pixel(SoftPixelFormat format) {
    switch (format) {
        case SOFT_PIXELS_888:
            return 4;
        case SOFT_PIXELS_INDEXED8:
            return 1;
        case SOFT_PIXELS_565:
        case SOFT_PIXELS_555:
            break;
    }
    return 2;
}

PixelFormat soft_describe_pixel_format(SoftPixelFormat format) {
    PixelFormat described;
    described.flags = PIXEL_FORMAT_RGB;
    described.rgb_bit_count = soft_bytes_per_pixel(format) * 8;
    switch (format) {
        case SOFT_PIXELS_565:
            described.red_mask = 0xF800;
            described.green_mask = 0x07E0;
            described.blue_mask = 0x001F;
            break;
        case SOFT_PIXELS_555:
            described.red_mask = 0x7C00;
            described.green_mask = 0x03E0;
            described.blue_mask = 0x001F;
            break;
        case SOFT_PIXELS_888:
            described.red_mask = 0xFF0000;
            described.green_mask = 0x00FF00;
            described.blue_mask = 0x0000FF;
            break;
        case SOFT_PIXELS_INDEXED8:
            described.flags |= PIXEL_FORMAT_PALETTE_INDEXED8;
            break;
    }
    return described;
}

}  // namespace qx
