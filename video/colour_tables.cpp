#include "video/colour_tables.h"

#include "platform/kernel.h"

void build_colour_tables(PlayerContext& context) {
    context.tables_brightness = context.params->brightness;
    build_colour_tables(context.colour_tables,
                        dct_pixel_format(*context.params, context.tables_brightness));
}

void refresh_colour_tables(PlayerContext& context) {
    PlayParams& params = *context.params;
    const int32_t brightness = interlocked_load(params.brightness);
    if (brightness == context.tables_brightness) {
        return;
    }
    context.tables_brightness = brightness;
    build_colour_tables(context.colour_tables, dct_pixel_format(params, brightness));
    if (params.colour_bits != 8) {
        rkd_build_pixel_table(context.rkd, rkd_pixel_format(params, brightness));
    }
}

RkdPixelFormat rkd_pixel_format(const PlayParams& params, int32_t brightness) {
    return {{params.red_bits, params.red_shift},
            {params.green_bits, params.green_shift},
            {params.blue_bits, params.blue_shift},
            brightness,
            (params.flags & PLAY_DOUBLE_WIDTH) != 0};
}

DctPixelFormat dct_pixel_format(const PlayParams& params, int32_t brightness) {
    return {params.colour_bits, params.red_bits,  params.green_bits,
            params.blue_bits,   params.red_shift, params.green_shift,
            params.blue_shift,  brightness,       (params.flags & PLAY_DOUBLE_WIDTH) != 0};
}
