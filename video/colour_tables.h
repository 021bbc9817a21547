#pragma once
#include <cstdint>

#include "player/player_context.h"

// Conversion tables of the DCT codecs for one display format and brightness.
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

// The process-wide tables that the playing movie's decoders read. A decoder takes this once per
// frame and keeps it for the frame.
const ColourTables& colour_tables();

// Builds `tables` from the pixel-format fields, brightness and flags of `params`.
void build_colour_tables(ColourTables& tables, const PlayParams& params);
// Builds a fresh process-wide set from `params` and publishes it; a set a decoder may still be
// reading is never written. Safe to call from the application's thread during playback.
void publish_colour_tables(const PlayParams& params);
// Rebuilds the process-wide tables for the movie of `context`.
void build_colour_tables(PlayerContext& context);
