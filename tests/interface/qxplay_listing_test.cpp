// What the interface tells of a movie without decoding it: its frames, its sound blocks and
// every chunk as the reader takes it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "qxplay/qxplay.h"
#include "tests/support/movie_builders.h"
#include "tests/video/video_rig.h"

namespace qx {

namespace {

// A PCM payload of stereo sample frames, after their count, whose left and right differ when
// `sides_differ`.
std::vector<uint8_t> stereo_pcm(int frames, bool sides_differ) {
    std::vector<uint8_t> bytes = {static_cast<uint8_t>(frames), 0, 0, 0};
    for (int i = 0; i < frames; ++i) {
        const int16_t left = static_cast<int16_t>(100 * i);
        const int16_t right = sides_differ ? static_cast<int16_t>(-left - 1) : left;
        for (const int16_t sample : {left, right}) {
            bytes.push_back(static_cast<uint8_t>(sample));
            bytes.push_back(static_cast<uint8_t>(sample >> 8));
        }
    }
    return bytes;
}

std::vector<qx_chunk> walked(qx_movie* movie, size_t most = SIZE_MAX) {
    struct Walk {
        std::vector<qx_chunk> chunks;
        size_t most;
    } walk{{}, most};
    const int result = qx_walk_chunks(
        movie,
        [](void* cookie, const qx_chunk* chunk) {
            auto& w = *static_cast<Walk*>(cookie);
            w.chunks.push_back(*chunk);
            return w.chunks.size() >= w.most ? 1 : 0;
        },
        &walk);
    EXPECT_EQ(result, QX_OK);
    return walk.chunks;
}

class CInterfaceListing : public ::testing::Test {
  protected:
    // Sound before the first picture, a key frame, an inter frame, an Mnb frame of its own
    // size, sound whose sides differ, and the end.
    void SetUp() override {
        writer_.audio_header(2, 11025, 0);
        writer_.chunk("SCDl", stereo_pcm(30, false));
        writer_.chunk("kDKR", rkd_key_payload(32, 16));
        writer_.chunk("fDKR", rkd_inter_payload(32, 16));
        writer_.chunk("SCDl", stereo_pcm(20, true));
        writer_.chunk("pBNM", dct_payload(48, 32));
        writer_.chunk("SCEl", {});
        movie_ = qx_open_memory(writer_.bytes().data(), writer_.bytes().size(), nullptr, nullptr);
        ASSERT_NE(movie_, nullptr);
    }
    void TearDown() override { qx_close(movie_); }

    MovieWriter writer_;
    qx_movie* movie_ = nullptr;
};

TEST_F(CInterfaceListing, FramesAndSoundBlocksAreWhereTheChunksAre) {
    qx_info info;
    ASSERT_EQ(qx_get_info(movie_, &info), QX_OK);
    EXPECT_EQ(info.audio_header, 1);
    EXPECT_EQ(info.compression, 0);
    EXPECT_EQ(info.sample_bits, 16);
    EXPECT_EQ(info.sound_blocks, 2);
    const std::vector<qx_chunk> chunks = walked(movie_);
    ASSERT_EQ(chunks.size(), 7u);

    const struct {
        size_t chunk;
        int kind;
        int width, height;
        int64_t sound_before;
    } frames[] = {{2, QX_FRAME_RKD_KEY, 32, 16, 30},
                  {3, QX_FRAME_RKD_INTER, -1, -1, 30},
                  {5, QX_FRAME_MNB, 48, 32, 50}};
    for (int64_t i = 0; i < 3; ++i) {
        qx_frame_entry entry;
        ASSERT_EQ(qx_get_frame_entry(movie_, i, &entry), QX_OK);
        EXPECT_EQ(entry.offset, chunks[frames[i].chunk].offset) << i;
        EXPECT_EQ(entry.kind, frames[i].kind) << i;
        EXPECT_EQ(entry.stated_width, frames[i].width) << i;
        EXPECT_EQ(entry.stated_height, frames[i].height) << i;
        EXPECT_EQ(entry.sound_before, frames[i].sound_before) << i;
    }
    qx_frame_entry entry;
    EXPECT_EQ(qx_get_frame_entry(movie_, 3, &entry), QX_ERROR_ARGUMENT);

    const struct {
        size_t chunk;
        int64_t first, frames, stamp;
        int sides_equal;
    } blocks[] = {{1, 0, 30, 0, 1}, {4, 30, 20, 2, 0}};
    for (int64_t i = 0; i < 2; ++i) {
        qx_sound_block block;
        ASSERT_EQ(qx_get_sound_block(movie_, i, &block), QX_OK);
        EXPECT_EQ(block.offset, chunks[blocks[i].chunk].offset) << i;
        EXPECT_EQ(block.first, blocks[i].first) << i;
        EXPECT_EQ(block.frames, blocks[i].frames) << i;
        EXPECT_EQ(block.video_stamp, blocks[i].stamp) << i;
        EXPECT_EQ(block.sides_equal, blocks[i].sides_equal) << i;
    }
    qx_sound_block block;
    EXPECT_EQ(qx_get_sound_block(movie_, -1, &block), QX_ERROR_ARGUMENT);
    EXPECT_EQ(qx_get_sound_block(nullptr, 0, &block), QX_ERROR_ARGUMENT);
}

TEST_F(CInterfaceListing, TheWalkTellsEveryChunkAndLeavesThePicturesWhereTheyWere) {
    qx_frame frame;
    ASSERT_EQ(qx_next_frame(movie_, &frame), 1);
    const std::vector<qx_chunk> chunks = walked(movie_);
    ASSERT_EQ(chunks.size(), 7u);
    EXPECT_EQ(chunks[0].offset, 0);
    EXPECT_EQ(chunks[0].result, QX_CHUNK_AUDIO_FORMAT);
    EXPECT_STREQ(chunks[2].tag, "kDKR");
    EXPECT_EQ(chunks[2].result, QX_CHUNK_VIDEO);
    EXPECT_EQ(chunks[2].sequence, 0);
    EXPECT_STREQ(chunks[2].text, "video chunk 0: Rkd key frame");
    EXPECT_EQ(chunks[4].result, QX_CHUNK_SOUND);
    EXPECT_EQ(chunks[4].sequence, 1);
    EXPECT_STREQ(chunks[4].text, "audio block 1: 80 bytes of 16-bit stereo");
    EXPECT_EQ(chunks[5].offset + chunks[5].size, static_cast<int64_t>(chunks[6].offset));
    // The chunk the reader ends at is told too.
    EXPECT_EQ(chunks[6].result, QX_CHUNK_NOT_READ);
    EXPECT_STREQ(chunks[6].text, "end of movie: not read");
    EXPECT_EQ(chunks[6].sequence, -1);

    EXPECT_EQ(walked(movie_, 2).size(), 2u) << "a nonzero answer ends the walk";
    ASSERT_EQ(qx_next_frame(movie_, &frame), 1);
    EXPECT_EQ(frame.index, 1);
    EXPECT_EQ(qx_walk_chunks(movie_, nullptr, nullptr), QX_ERROR_ARGUMENT);
}

// A tag the reader cannot take is told with its bytes made printable, and the reader's stop
// there is a problem even for a movie that ends at damage.
TEST(CInterfaceListingDamage, AnUnreadableTagIsToldAndEndsAStoppingMovie) {
    MovieWriter writer;
    writer.chunk("pBNM", dct_payload(16, 16));
    writer.chunk("Z\x01ZZ", {});
    qx_options options;
    qx_default_options(&options);
    options.stop_at_damage = 1;
    qx_movie* movie =
        qx_open_memory(writer.bytes().data(), writer.bytes().size(), &options, nullptr);
    ASSERT_NE(movie, nullptr);
    const std::vector<qx_chunk> chunks = walked(movie);
    ASSERT_EQ(chunks.size(), 2u);
    EXPECT_STREQ(chunks[1].tag, "Z\\x01ZZ");
    EXPECT_EQ(chunks[1].result, QX_CHUNK_NOT_READ);
    EXPECT_NE(std::string(chunks[1].text).find("unrecognised tag"), std::string::npos)
        << chunks[1].text;
    qx_info info;
    ASSERT_EQ(qx_get_info(movie, &info), QX_OK);
    EXPECT_EQ(info.frames, 1);
    EXPECT_EQ(info.problems, 1);
    qx_close(movie);
}

}  // namespace

}  // namespace qx
