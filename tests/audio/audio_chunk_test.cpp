#include "audio/audio_chunk.h"

#include <gtest/gtest.h>

#include <vector>

#include "audio/ima_decoder.h"
#include "audio/xa_decoder.h"
#include "authoring/audio_track_writer.h"
#include "base/ring.h"
#include "player/reader.h"
#include "tests/audio/audio_test_movie.h"

namespace qx {

namespace {

std::vector<uint8_t> le32(uint32_t value) {
    return {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
            static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
}

// A movie of an audio header and one data chunk with this payload.
MovieWriter one_chunk_movie(int32_t channels, int32_t compression,
                            const std::vector<uint8_t>& payload) {
    MovieWriter movie;
    movie.audio_header(channels, 22050, compression);
    movie.chunk("SCDl", payload);
    return movie;
}

const AudioBlockSlot& newest_block(PlayerContext& context) {
    return ring_slot_at(context.reader.audio_ring, context.reader.audio_ring.written - 1);
}

int32_t block_bytes_of(int32_t channels, int32_t compression, size_t payload_bytes) {
    std::vector<uint8_t> payload(payload_bytes, 0x21);
    OpenedMovie opened(one_chunk_movie(channels, compression, payload));
    EXPECT_EQ(opened.read_until(READ_AUDIO), READ_AUDIO);
    return newest_block(opened.context()).bytes;
}

}  // namespace

TEST(AudioChunk, MonoPcmIsWrittenToBothChannels) {
    std::vector<uint8_t> payload = le32(3);
    for (const int16_t sample : {1, -1, 2}) {
        payload.push_back(static_cast<uint8_t>(sample));
        payload.push_back(static_cast<uint8_t>(static_cast<uint16_t>(sample) >> 8));
    }
    OpenedMovie opened(one_chunk_movie(1, AUDIO_PCM, payload));
    ASSERT_EQ(opened.read_until(READ_AUDIO), READ_AUDIO);
    const AudioBlockSlot& slot = newest_block(opened.context());
    EXPECT_EQ(slot.bytes, 12);
    EXPECT_EQ(block_samples(slot), (std::vector<int16_t>{1, 1, -1, -1, 2, 2}));
    EXPECT_EQ(slot.data, opened.context().reader.audio_ring.arena);
    EXPECT_EQ(opened.context().reader.audio_ring.arena_write,
              opened.context().reader.audio_ring.arena + 12);
}

TEST(AudioChunk, BlockSizesFollowFromThePayload) {
    EXPECT_EQ(block_bytes_of(2, AUDIO_XA, 72), 224);
    EXPECT_EQ(block_bytes_of(2, AUDIO_XA, 71), 112);
    EXPECT_EQ(block_bytes_of(1, AUDIO_XA, 12 + 15 * 3), 336);
    EXPECT_EQ(block_bytes_of(2, AUDIO_IMA, 1000), 4000);
    EXPECT_EQ(block_bytes_of(1, AUDIO_IMA, 1000), 4000);
}

TEST(AudioChunk, SlotIsStampedWithTheChunkCounts) {
    MovieWriter movie;
    AudioTrackWriter audio(movie, 2, 22050, AUDIO_PCM);
    const std::vector<uint8_t> video(16, 0);
    audio.write_chunk(std::vector<int16_t>(8, 5));
    movie.chunk("MQXf", video);
    movie.chunk("MQXf", video);
    audio.write_chunk(std::vector<int16_t>(8, 6));
    OpenedMovie opened(movie);
    ASSERT_EQ(opened.read_until(READ_AUDIO), READ_AUDIO);
    ASSERT_EQ(opened.read_until(READ_AUDIO), READ_AUDIO);
    const AudioBlockSlot& slot = newest_block(opened.context());
    EXPECT_EQ(slot.video_stamp, 2);
    EXPECT_EQ(slot.sequence, 1);
    EXPECT_EQ(opened.context().reader.audio_ring.queued, 2);
    EXPECT_EQ(opened.context().reader.audio_chunks, 2);
}

TEST(AudioChunk, ImaStateContinuesAcrossChunksAndMonoDecodesAsStereo) {
    std::vector<uint8_t> first(500);
    std::vector<uint8_t> second(500);
    for (size_t i = 0; i < 500; ++i) {
        first[i] = static_cast<uint8_t>(i * 37);
        second[i] = static_cast<uint8_t>(i * 91 + 3);
    }
    std::vector<uint8_t> whole = first;
    whole.insert(whole.end(), second.begin(), second.end());
    std::vector<int16_t> expected(2 * whole.size());
    uint32_t samples = 0;
    uint32_t steps = 0;
    ima_decode_stereo(whole, expected.data(), whole.size(), samples, steps);

    for (const int32_t channels : {1, 2}) {
        MovieWriter movie;
        movie.audio_header(channels, 22050, AUDIO_IMA);
        movie.chunk("SCDl", first);
        movie.chunk("SCDl", second);
        OpenedMovie opened(movie);
        ASSERT_EQ(opened.read_until(READ_AUDIO), READ_AUDIO);
        std::vector<int16_t> decoded = block_samples(newest_block(opened.context()));
        ASSERT_EQ(opened.read_until(READ_AUDIO), READ_AUDIO);
        const std::vector<int16_t> rest = block_samples(newest_block(opened.context()));
        decoded.insert(decoded.end(), rest.begin(), rest.end());
        EXPECT_EQ(decoded, expected) << channels << " channel(s)";
        EXPECT_EQ(opened.context().sound.ima_samples, samples);
        EXPECT_EQ(opened.context().sound.ima_steps, steps);
    }
}

TEST(AudioChunk, XaHistoryIsReloadedFromEveryChunk) {
    std::vector<uint8_t> payload = le32(0);
    for (const int16_t history : {1000, 900, -1000, -900}) {
        payload.push_back(static_cast<uint8_t>(history));
        payload.push_back(static_cast<uint8_t>(static_cast<uint16_t>(history) >> 8));
    }
    std::vector<uint8_t> frame(XA_STEREO_FRAME_BYTES, 0);
    frame[0] = 0x11;  // filter 1 on both channels, nibbles 0
    frame[1] = 0xCC;
    payload.insert(payload.end(), frame.begin(), frame.end());
    OpenedMovie opened(one_chunk_movie(2, AUDIO_XA, payload));
    ASSERT_EQ(opened.read_until(READ_AUDIO), READ_AUDIO);
    const std::vector<int16_t> samples = block_samples(newest_block(opened.context()));
    // (240 x 1,000 + 128) >> 8 = 938; for -1,000 the floor gives -937.
    EXPECT_EQ(samples[0], 938);
    EXPECT_EQ(samples[1], -937);
}

TEST(AudioChunk, ArenaWrapsBeforeABlockThatWouldReachItsEnd) {
    MovieWriter movie;
    movie.audio_header(2, 22050, AUDIO_IMA);
    movie.chunk("SCDl", std::vector<uint8_t>(250, 0x11));
    movie.chunk("SCDl", std::vector<uint8_t>(249, 0x11));
    OpenedMovie opened(movie);
    PlayerContext& context = opened.context();
    uint8_t* const arena = context.reader.audio_ring.arena;
    context.reader.audio_ring.arena_write = arena + 299000;
    ASSERT_EQ(opened.read_until(READ_AUDIO), READ_AUDIO);
    EXPECT_EQ(newest_block(context).data, arena);
    opened.consume_audio();
    context.reader.audio_ring.arena_write = arena + 299000;
    ASSERT_EQ(opened.read_until(READ_AUDIO), READ_AUDIO);
    EXPECT_EQ(newest_block(context).data, arena + 299000);
    EXPECT_EQ(arena_place(arena, AUDIO_ARENA_BYTES, arena + 299000, 999), arena + 299000);
}

// Decoded audio never overwrites a block still queued: the chunk stays in the file until the
// clock has consumed what it would overwrite.
TEST(AudioChunk, FullRingOrOverlapLeavesTheChunkInTheFile) {
    MovieWriter movie;
    AudioTrackWriter audio(movie, 2, 22050, AUDIO_PCM);
    for (int i = 0; i < 33; ++i) {
        audio.write_chunk(std::vector<int16_t>(20, static_cast<int16_t>(i)));
    }
    OpenedMovie opened(movie);
    PlayerContext& context = opened.context();
    for (int i = 0; i < 32; ++i) {
        ASSERT_EQ(opened.read_until(READ_AUDIO), READ_AUDIO);
    }
    EXPECT_EQ(read_chunk(context), READ_BUSY);
    EXPECT_EQ(read_chunk(context), READ_BUSY);
    EXPECT_EQ(context.reader.audio_chunks, 32);
    opened.consume_audio();
    ASSERT_EQ(read_chunk(context), READ_AUDIO);
    EXPECT_EQ(block_samples(newest_block(context))[0], 32);
    EXPECT_EQ(read_chunk(context), READ_END);
}

TEST(AudioChunk, BlockOverlappingAQueuedOneWaits) {
    MovieWriter movie;
    movie.audio_header(2, 22050, AUDIO_IMA);
    movie.chunk("SCDl", std::vector<uint8_t>(10000, 0x12));
    movie.chunk("SCDl", std::vector<uint8_t>(8000, 0x34));
    OpenedMovie opened(movie);
    PlayerContext& context = opened.context();
    // The first block takes [10,000, 50,000); the second (32,000 bytes) has to wrap onto it.
    context.reader.audio_ring.arena_write = context.reader.audio_ring.arena + 10000;
    ASSERT_EQ(opened.read_until(READ_AUDIO), READ_AUDIO);
    context.reader.audio_ring.arena_write =
        context.reader.audio_ring.arena + AUDIO_ARENA_BYTES - 20000;
    const uint32_t ima_samples = context.sound.ima_samples;
    EXPECT_EQ(read_chunk(context), READ_BUSY);
    EXPECT_EQ(context.sound.ima_samples, ima_samples);
    opened.consume_audio();
    ASSERT_EQ(read_chunk(context), READ_AUDIO);
    EXPECT_EQ(newest_block(context).data, context.reader.audio_ring.arena);
    EXPECT_EQ(newest_block(context).bytes, 32000);
}

TEST(AudioChunk, MalformedPayloadsKeepTheReadersPlace) {
    // Each damaged chunk is followed by a good PCM chunk, which must be read whole.
    struct Case {
        const char* what;
        int32_t channels;
        int32_t compression;
        std::vector<uint8_t> payload;
        int32_t result;
        int32_t block_bytes;
    };
    std::vector<uint8_t> big_count = le32(1000000);
    big_count.insert(big_count.end(), {1, 0, 2, 0, 3, 0});
    std::vector<uint8_t> odd_filter(12, 0);
    odd_filter.insert(odd_filter.end(), XA_MONO_FRAME_BYTES, 0x77);
    odd_filter[12] = 0x9C;
    const Case cases[] = {
        {"payload over 32,768 bytes", 2, AUDIO_IMA, std::vector<uint8_t>(40000, 1), READ_SKIPPED,
         -1},
        {"compression 7 under 12 bytes", 2, AUDIO_XA, std::vector<uint8_t>(11, 1), READ_AUDIO, 0},
        {"PCM count beyond the payload", 1, AUDIO_PCM, big_count, READ_AUDIO, 12},
        {"PCM payload without its count", 1, AUDIO_PCM, {1, 2}, READ_AUDIO, 0},
        {"unknown compression", 2, 3, std::vector<uint8_t>(100, 1), READ_AUDIO, 0},
        {"compression 7 filter above 3", 1, AUDIO_XA, odd_filter, READ_AUDIO, 112},
    };
    for (const Case& c : cases) {
        MovieWriter movie;
        movie.audio_header(c.channels, 22050, c.compression);
        movie.chunk("SCDl", c.payload);
        movie.audio_header(2, 22050, AUDIO_PCM);
        std::vector<uint8_t> good = le32(1);
        good.insert(good.end(), {0x34, 0x12, 0x78, 0x56});
        movie.chunk("SCDl", good);
        OpenedMovie opened(movie);
        PlayerContext& context = opened.context();
        ASSERT_EQ(read_chunk(context), READ_AUDIO_HEADER) << c.what;
        EXPECT_EQ(read_chunk(context), c.result) << c.what;
        if (c.result == READ_AUDIO) {
            EXPECT_EQ(newest_block(context).bytes, c.block_bytes) << c.what;
        } else {
            EXPECT_EQ(context.reader.audio_ring.queued, 0) << c.what;
        }
        ASSERT_EQ(read_chunk(context), READ_AUDIO_HEADER) << c.what;
        ASSERT_EQ(read_chunk(context), READ_AUDIO) << c.what;
        EXPECT_EQ(block_samples(newest_block(context)), (std::vector<int16_t>{0x1234, 0x5678}))
            << c.what;
    }
}

TEST(AudioChunk, FilterAboveThreeDecodesLikeFilterZero) {
    std::vector<uint8_t> payload(12, 0);
    payload.insert(payload.end(), XA_MONO_FRAME_BYTES, 0x5A);
    std::vector<uint8_t> odd = payload;
    payload[12] = 0x0B;
    odd[12] = 0xEB;
    OpenedMovie plain(one_chunk_movie(1, AUDIO_XA, payload));
    OpenedMovie damaged(one_chunk_movie(1, AUDIO_XA, odd));
    ASSERT_EQ(plain.read_until(READ_AUDIO), READ_AUDIO);
    ASSERT_EQ(damaged.read_until(READ_AUDIO), READ_AUDIO);
    EXPECT_EQ(block_samples(newest_block(plain.context())),
              block_samples(newest_block(damaged.context())));
}

TEST(AudioChunk, ShortOrEmptyBodyIsTheEndOfTheFile) {
    const MovieWriter movie = one_chunk_movie(2, AUDIO_IMA, std::vector<uint8_t>(1000, 0x42));
    OpenedMovie cut(movie, movie.bytes().size() - 10);
    EXPECT_EQ(cut.read_until(READ_AUDIO), READ_END);
    EXPECT_EQ(cut.context().reader.audio_ring.queued, 0);
    EXPECT_EQ(cut.context().sound.ima_samples, 0u);

    OpenedMovie empty(one_chunk_movie(2, AUDIO_IMA, {}));
    EXPECT_EQ(read_chunk(empty.context()), READ_AUDIO_HEADER);
    EXPECT_EQ(read_chunk(empty.context()), READ_END);
    EXPECT_EQ(empty.context().reader.audio_ring.queued, 0);
}

}  // namespace qx
