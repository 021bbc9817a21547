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

// Packs one signed colour (components in 8-bit units, possibly negative) into two 15- or 16-bit
// display pixels: rounded components in the low half, truncated ones in the high half, with the
// borrows that make three packed values add field by field.
uint32_t pack_pixel_pair(int32_t r, int32_t g, int32_t b, int32_t red_bits, int32_t green_bits,
                         int32_t blue_bits, int32_t red_shift, int32_t green_shift,
                         int32_t blue_shift);

// The latest published process-wide tables. A decoder that may run while the brightness
// changes pins them with ColourTablesHold instead.
const ColourTables& colour_tables();

// Pins the published tables for as long as it lives (one frame): publish_colour_tables never
// rewrites a pinned set. One hold at a time; the DCT decoders are process-wide state anyway.
class ColourTablesHold {
  public:
    ColourTablesHold();
    ~ColourTablesHold();
    ColourTablesHold(const ColourTablesHold&) = delete;
    ColourTablesHold& operator=(const ColourTablesHold&) = delete;
    const ColourTables& tables() const { return *tables_; }

  private:
    const ColourTables* tables_;
};

// Builds `tables` from the pixel-format fields, brightness and flags of `params`.
void build_colour_tables(ColourTables& tables, const PlayParams& params);
// Builds a fresh process-wide set from `params` and publishes it; a set a decoder may still be
// reading is never written. Safe to call from the application's thread during playback.
void publish_colour_tables(const PlayParams& params);
// Rebuilds the process-wide tables for the movie of `context`.
void build_colour_tables(PlayerContext& context);
