#pragma once
#include <cstdint>
#include <vector>

namespace qx {

// Deterministic RGB pictures where saturated colours meet, for tests and benchmarks of the DCT
// encoders' colours: 8-bit triples, rows top to bottom, laid out for 320 x 240 and scaled to
// the size asked for. Lettering is glyph-like marks of thin strokes, the hardest edges a 4:2:0
// coding meets.

// A logo: a red ring round a cyan disc and lettering in white, yellow and cyan on purple; below,
// a yellow band with black and blue lettering.
std::vector<uint8_t> saturated_logo(int32_t width, int32_t height);
// White lettering on bands of red, blue, purple, green, magenta and black.
std::vector<uint8_t> white_text_on_colour(int32_t width, int32_t height);
// Yellow discs from large to a few pixels across on green.
std::vector<uint8_t> yellow_discs_on_green(int32_t width, int32_t height);

}  // namespace qx
