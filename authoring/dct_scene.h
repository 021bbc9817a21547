#pragma once
#include <cstdint>
#include <vector>

namespace qx {

// A deterministic RGB picture that looks like a photograph, for tests, benchmarks and demos: a
// graded sky, a lit ball with a hard rim, stripes, a dark block and fine grain.
// `shift_x`/`shift_y` move the scene, for movies.
std::vector<uint8_t> dct_scene(int32_t width, int32_t height, int32_t shift_x = 0,
                               int32_t shift_y = 0);

}  // namespace qx
