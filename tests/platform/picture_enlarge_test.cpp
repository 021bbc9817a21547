#include "platform/sdl/picture_enlarge.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "platform/sdl/present_kernels.h"
#include "platform/sdl/xrgb_conversion.h"

namespace qx {

namespace {

TEST(PictureEnlarge, WholeMultiplesRepeatEveryPixelAsOftenAndOtherSizesStayInside) {
    for (int32_t scale = 1; scale <= 4; ++scale) {
        const std::vector<int32_t> sources = nearest_sources(320, 320 * scale);
        for (int32_t i = 0; i < 320 * scale; ++i) {
            ASSERT_EQ(sources[i], i / scale) << "scale " << scale;
        }
    }
    // 3 into 4: the centres at 3/8, 9/8, 15/8 and 21/8 of a pixel.
    EXPECT_EQ(nearest_sources(3, 4), (std::vector<int32_t>{0, 1, 1, 2}));
    EXPECT_EQ(nearest_sources(4, 2), (std::vector<int32_t>{1, 3}));
    for (int32_t out = 1; out < 200; ++out) {
        for (int32_t source : nearest_sources(97, out)) {
            ASSERT_GE(source, 0);
            ASSERT_LT(source, 97);
        }
    }
    EXPECT_TRUE(nearest_sources(320, 0).empty());
}

TEST(PictureEnlarge, FillsTheRectangleOnlyBetweenItsRows) {
    std::vector<uint32_t> picture = {1, 2, 3, 4, 5, 6};  // 3 x 2
    // A window of 8 words a row; the picture goes to 6 x 4 at column 1, row 1.
    std::vector<uint32_t> window(8 * 6, 0xDEAD);
    enlarge_picture({picture.data(), 3, 2, 12}, {window.data() + 9, 6, 4, 32});
    const std::vector<uint32_t> expected_row_0 = {0xDEAD, 1, 1, 2, 2, 3, 3, 0xDEAD};
    const std::vector<uint32_t> expected_row_1 = {0xDEAD, 4, 4, 5, 5, 6, 6, 0xDEAD};
    const std::vector<uint32_t> untouched(8, 0xDEAD);
    for (int y = 0; y < 6; ++y) {
        const std::vector<uint32_t> row(window.begin() + 8 * y, window.begin() + 8 * (y + 1));
        EXPECT_EQ(row, y == 0 || y == 5 ? untouched
                       : y < 3          ? expected_row_0
                                        : expected_row_1)
            << "row " << y;
    }
}

// One version of the row kernel for each level the processor runs, against the reference on
// random column maps and every length up to a few vectors, with guard words after the output.
TEST(KernelChecker, EnlargeRowMatchesTheReference) {
    const EnlargeRowKernel reference = present_reference_kernels().enlarge_row;
    std::mt19937 random(14);
    std::vector<uint32_t> source(257);
    for (uint32_t& pixel : source) {
        pixel = random();
    }
    for (CpuLevel level : CPU_LEVELS) {
        if (level > cpu_level()) {
            continue;
        }
        SCOPED_TRACE(cpu_level_name(level));
        const EnlargeRowKernel kernel = present_kernels_for(level).enlarge_row;
        for (int32_t width = 0; width <= 70; ++width) {
            std::vector<int32_t> columns(width);
            for (int32_t& column : columns) {
                column = random() % 4 == 0 ? 256 : int32_t(random() % 257);
            }
            std::vector<uint32_t> expected(width + 3, 0xA5A5A5A5);
            std::vector<uint32_t> actual(width + 3, 0xA5A5A5A5);
            reference(source.data(), columns.data(), expected.data(), width);
            kernel(source.data(), columns.data(), actual.data(), width);
            ASSERT_EQ(actual, expected) << "width " << width;
        }
    }
    EXPECT_EQ(present_kernels().enlarge_row, present_kernels_for(cpu_level()).enlarge_row);
}

TEST(KernelChecker, DoubleRowMatchesTheReference) {
    const DoubleRowKernel reference = present_reference_kernels().double_row;
    std::mt19937 random(15);
    for (CpuLevel level : CPU_LEVELS) {
        if (level > cpu_level()) {
            continue;
        }
        SCOPED_TRACE(cpu_level_name(level));
        const DoubleRowKernel kernel = present_kernels_for(level).double_row;
        for (int32_t width = 0; width <= 40; ++width) {
            std::vector<uint32_t> source(width);
            for (uint32_t& pixel : source) {
                pixel = random();
            }
            std::vector<uint32_t> expected(2 * width + 3, 0xA5A5A5A5);
            std::vector<uint32_t> actual(2 * width + 3, 0xA5A5A5A5);
            reference(source.data(), expected.data(), width);
            kernel(source.data(), actual.data(), width);
            ASSERT_EQ(actual, expected) << "width " << width;
        }
    }
}

// Every 16-bit pixel at both depths, read from an odd address in rows of every length up to a
// few vectors, with guard words after the output.
TEST(KernelChecker, XrgbRowsMatchTheReference) {
    std::vector<uint8_t> pixels(1 + 2 * 65536);
    for (uint32_t pixel = 0; pixel < 65536; ++pixel) {
        pixels[1 + 2 * pixel] = uint8_t(pixel);
        pixels[2 + 2 * pixel] = uint8_t(pixel >> 8);
    }
    const PresentKernels reference = present_reference_kernels();
    for (CpuLevel level : CPU_LEVELS) {
        if (level > cpu_level()) {
            continue;
        }
        SCOPED_TRACE(cpu_level_name(level));
        const PresentKernels kernels = present_kernels_for(level);
        for (auto row : {&PresentKernels::xrgb_from_555_row, &PresentKernels::xrgb_from_565_row}) {
            std::vector<uint32_t> expected(65536 + 3, 0xA5A5A5A5);
            std::vector<uint32_t> actual(65536 + 3, 0xA5A5A5A5);
            (reference.*row)(pixels.data() + 1, expected.data(), 65536);
            (kernels.*row)(pixels.data() + 1, actual.data(), 65536);
            ASSERT_EQ(actual, expected);
            for (int32_t width = 0; width <= 40; ++width) {
                std::fill(actual.begin(), actual.end(), 0xA5A5A5A5);
                (kernels.*row)(pixels.data() + 1 + 2 * 1000, actual.data(), width);
                ASSERT_TRUE(
                    std::equal(actual.begin(), actual.begin() + width, expected.begin() + 1000))
                    << "width " << width;
                ASSERT_EQ(actual[width], 0xA5A5A5A5u) << "width " << width;
            }
        }
    }
}

}  // namespace

}  // namespace qx
