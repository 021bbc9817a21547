#pragma once
#include <cstdint>

// Conversion tables of the DCT codecs for one display format and brightness. The video output
// builds them; each movie has its own set.
struct ColourTables {
    uint32_t luma_table[128];
    uint32_t cb_table[128];
    uint32_t cr_table[128];
    uint32_t red_table[512];
    uint32_t green_table[512];
    uint32_t blue_table[512];
    int32_t cb_green_table[256];
    int32_t cr_green_table[256];  // entry indexes into green_table
};
