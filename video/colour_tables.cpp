#include "video/colour_tables.h"

#include "base/interlocked.h"

namespace qx {

void build_colour_tables(VideoOutput& video) {
    video.tables_brightness = *video.target.brightness;
    build_colour_tables(video.colour_tables,
                        dct_pixel_format(video.target, video.tables_brightness));
}

void refresh_colour_tables(VideoOutput& video) {
    const DisplayTarget& target = video.target;
    const int32_t brightness = interlocked_load(*target.brightness);
    if (brightness == video.tables_brightness) {
        return;
    }
    video.tables_brightness = brightness;
    build_colour_tables(video.colour_tables, dct_pixel_format(target, brightness));
    if (*target.colour_bits != 8) {
        rkd_build_pixel_table(video.rkd, rkd_pixel_format(target, brightness));
    }
}

RkdPixelFormat rkd_pixel_format(const DisplayTarget& target, int32_t brightness) {
    return {{*target.red_bits, *target.red_shift},
            {*target.green_bits, *target.green_shift},
            {*target.blue_bits, *target.blue_shift},
            brightness,
            target.options.double_width};
}

DctPixelFormat dct_pixel_format(const DisplayTarget& target, int32_t brightness) {
    return {*target.colour_bits, *target.red_bits,  *target.green_bits,
            *target.blue_bits,   *target.red_shift, *target.green_shift,
            *target.blue_shift,  brightness,        target.options.double_width};
}

}  // namespace qx
