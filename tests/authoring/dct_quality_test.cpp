#include <gtest/gtest.h>

#include "authoring/dct_quality.h"
#include "codecs/dct/idct.h"
#include "codecs/dct/mnb_frame.h"
#include "codecs/dct/zle_frame.h"

namespace qx {

namespace {

using BuildTable = void (*)(DequantTable&, int32_t);

// Each step of the decoder's table for the stream quality of every user quality is no coarser
// than the step for any lower user quality: a higher number never loses detail anywhere.
void expect_steps_never_coarser(int32_t (*stream_quality)(int32_t), BuildTable build,
                                const char* codec) {
    DequantTable previous{};
    build(previous, stream_quality(0));
    for (int32_t quality = 1; quality <= 100; ++quality) {
        DequantTable table{};
        build(table, stream_quality(quality));
        for (int32_t i = 0; i < 64; ++i) {
            ASSERT_GT(table.values[i], 0) << codec << " quality " << quality << " index " << i;
            ASSERT_LE(table.values[i], previous.values[i])
                << codec << " quality " << quality << " index " << i;
        }
        previous = table;
    }
}

TEST(DctQuality, HigherQualityNeverQuantisesCoarser) {
    expect_steps_never_coarser(mnb_stream_quality, mnb_build_dequant_table, "Mnb");
    expect_steps_never_coarser(zle_stream_quality, zle_build_dequant_table, "Zle");
}

// Quality 100 reaches the finest steps each format can use: Mnb's step of 8 for every
// frequency, with the DC step that lets flat records reach black and white; Zle's three
// sixteenths of the default matrix.
TEST(DctQuality, QualityHundredIsTheFinestUsable) {
    DequantTable mnb{};
    mnb_build_dequant_table(mnb, mnb_stream_quality(100));
    for (int32_t i = 0; i < 64; ++i) {
        EXPECT_EQ(mnb.values[i], 8 * idct_prescale[i]) << i;
    }
    EXPECT_EQ(zle_stream_quality(100), 104);
    EXPECT_EQ(zle_stream_quality(0), 0);
    EXPECT_EQ(mnb_stream_quality(0), 0);
}

}  // namespace

}  // namespace qx
