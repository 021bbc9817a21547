#include "authoring/dct_picture.h"

MacroblockSamples macroblock_samples(const SamplePlanes& planes, int32_t x, int32_t y) {
    MacroblockSamples samples;
    for (int32_t row = 0; row < 16; ++row) {
        for (int32_t column = 0; column < 16; ++column) {
            const int32_t block = (row / 8) * 2 + column / 8;
            const size_t i = size_t(y + row) * planes.width + x + column;
            samples.blocks[block][8 * (row % 8) + column % 8] = planes.luma[i];
        }
    }
    for (int32_t row = 0; row < 8; ++row) {
        for (int32_t column = 0; column < 8; ++column) {
            const size_t i = size_t(y + 2 * row) * planes.width + x + 2 * column;
            const size_t below = i + planes.width;
            samples.blocks[4][8 * row + column] =
                (planes.cb[i] + planes.cb[i + 1] + planes.cb[below] + planes.cb[below + 1]) / 4;
            samples.blocks[5][8 * row + column] =
                (planes.cr[i] + planes.cr[i + 1] + planes.cr[below] + planes.cr[below + 1]) / 4;
        }
    }
    return samples;
}
