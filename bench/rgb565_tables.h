#pragma once
#include "codecs/dct/dct_colour_tables.h"

namespace qx {

// The colour tables of a 5-6-5 display at full brightness, built once: what the benchmarks
// decode into.
inline const ColourTables& rgb565_tables() {
    static const ColourTables tables = [] {
        ColourTables built;
        build_colour_tables(built, DCT_RGB565);
        return built;
    }();
    return tables;
}

}  // namespace qx
