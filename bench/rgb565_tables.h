#pragma once
#include "video/colour_tables.h"
#include "video/display_setup.h"

// The colour tables of a 5-6-5 display at full brightness, built once: what the benchmarks
// decode into.
inline const ColourTables& rgb565_tables() {
    static const ColourTables tables = [] {
        PlayParams params{};
        params.brightness = 100;
        set_display_pixel_format(params,
                                 PixelFormat{32, PIXEL_FORMAT_RGB, 16, 0xF800, 0x07E0, 0x001F});
        ColourTables built;
        build_colour_tables(built, params);
        return built;
    }();
    return tables;
}
