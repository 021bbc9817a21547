#include "player/reader.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/faults.h"
#include "platform/file.h"
#include "platform/open_files.h"
#include "player/player_stream.h"
#include "tests/support/movie_builders.h"
#include "tests/support/temp_movie.h"

namespace qx {

namespace {

// A movie opened the way player_start opens it, read chunk by chunk.
class OpenMovie {
  public:
    explicit OpenMovie(const MovieWriter& writer) : movie_(writer) {
        context_ = player_open_stream(movie_.path().c_str(), nullptr, params_);
    }
    ~OpenMovie() {
        if (context_ != nullptr) {
            player_close_stream(context_);
        }
    }
    PlayerContext& context() { return *context_; }
    PlayParams& params() { return params_; }
    int32_t read() { return read_chunk(*context_); }
    int32_t position() { return file_seek(params_.file, 0, FILE_SEEK_CUR); }
    // Frees the oldest queued video slot, as the playback loop does.
    void consume_video() { release_video_slot(*context_); }

  private:
    TempMovie movie_;
    PlayParams params_{};
    PlayerContext* context_ = nullptr;
};

TEST(ReaderTags, VideoTagsInBothByteOrdersGiveTheirKinds) {
    MovieWriter writer;
    const char* tags[] = {"kDKR", "RKDk", "fDKR", "RKDf", "pBNM", "MQXf", "pELZ", "QX2f"};
    for (const char* tag : tags) {
        char name[5] = {tag[0], tag[1], tag[2], tag[3], 0};
        writer.chunk(name, video_payload(12));
    }
    OpenMovie movie(writer);
    const int32_t kinds[] = {1, 1, 2, 2, 3, 3, 4, 4};
    for (int i = 0; i < 8; ++i) {
        ASSERT_EQ(movie.read(), READ_VIDEO) << tags[i];
        const VideoFrameSlot& slot = movie.context().reader.video_ring.slots[i];
        EXPECT_EQ(slot.kind, kinds[i]) << tags[i];
        EXPECT_EQ(slot.sequence, i);
        EXPECT_EQ(slot.bytes, 12u);
    }
    EXPECT_EQ(movie.context().reader.video_ring.queued, 8);
    EXPECT_EQ(movie.read(), READ_END);
}

TEST(ReaderTags, DroppedChunksAreReadAndSkipped) {
    MovieWriter writer;
    writer.chunk("SCCl", video_payload(100));
    writer.chunk("lCCS", {});
    writer.chunk("SCLl", video_payload(40000));
    writer.chunk("lLCS", video_payload(3));
    writer.chunk("pBNM", video_payload(8));
    OpenMovie movie(writer);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(movie.read(), READ_SKIPPED);
    }
    EXPECT_EQ(movie.read(), READ_VIDEO);
}

TEST(ReaderTags, EndTagsAndUnknownTagsAreNotRead) {
    MovieWriter writer;
    writer.chunk("SEND", video_payload(16));
    OpenMovie movie(writer);
    EXPECT_EQ(movie.read(), READ_END);
    EXPECT_EQ(movie.position(), 8);
}

TEST(ReaderTags, AnUnrecognisedTagMakesTheNextHeaderComeFromItsBody) {
    MovieWriter inner;
    inner.chunk("pELZ", video_payload(10));
    MovieWriter writer;
    writer.chunk("XXXX", inner.bytes());
    OpenMovie movie(writer);
    EXPECT_EQ(movie.read(), READ_END);
    EXPECT_EQ(movie.read(), READ_VIDEO);
    EXPECT_EQ(movie.context().reader.video_ring.slots[0].kind, VIDEO_ZLE);
}

// 24 bytes of junk where a chunk header should be, and sound before any audio header: the
// design's reader ends there; asked to resync, it steps over them to the next chunk it takes
// and says where the damage began and how long it was.
TEST(ReaderResync, StepsOverDamageOnlyWhenAsked) {
    MovieWriter writer;
    writer.chunk("pBNM", video_payload(16));
    writer.raw(std::vector<uint8_t>(24, 0xEE));
    writer.chunk("SCDl", pcm_payload(6));  // 24 bytes: the steps land on the next header
    writer.chunk("pBNM", video_payload(16));
    OpenMovie design(writer);
    EXPECT_EQ(design.read(), READ_VIDEO);
    EXPECT_EQ(design.read(), READ_END);
    EXPECT_EQ(design.params().resyncs, 0);

    OpenMovie resyncing(writer);
    resyncing.params().flags |= PLAY_RESYNC;
    EXPECT_EQ(resyncing.read(), READ_VIDEO);
    EXPECT_EQ(resyncing.read(), READ_VIDEO);
    EXPECT_EQ(resyncing.context().reader.video_ring.slots[1].sequence, 1);
    EXPECT_EQ(resyncing.params().resyncs, 1);
    EXPECT_EQ(resyncing.params().resync_offset, 8 + 16);
    EXPECT_EQ(resyncing.params().resync_bytes, 24 + 24);
    EXPECT_EQ(resyncing.read(), READ_END);
    EXPECT_EQ(resyncing.params().resyncs, 1) << "trailing junk is not damage found again";
}

TEST(ReaderTags, ReversedAudioDataTagsAreNotAccepted) {
    MovieWriter writer;
    writer.audio_header(1, 22050, 0);
    writer.chunk("lDCS", pcm_payload(4));
    OpenMovie movie(writer);
    EXPECT_EQ(movie.read(), READ_AUDIO_HEADER);
    EXPECT_EQ(movie.read(), READ_END);
}

TEST(ReaderProbe, AudioHeaderFirstMeansAudio) {
    const struct {
        const char* tag;
        int32_t has_audio;
    } cases[] = {{"SCHl", 1}, {"1SNh", 1}, {"SEAD", 1}, {"lHCS", 0}, {"pBNM", 0}};
    for (const auto& c : cases) {
        MovieWriter writer;
        char name[5] = {c.tag[0], c.tag[1], c.tag[2], c.tag[3], 0};
        writer.chunk(name, audio_header_body({}, {}));
        OpenMovie movie(writer);
        EXPECT_EQ(movie.params().has_audio, c.has_audio) << c.tag;
        EXPECT_EQ(movie.position(), 0) << "the probe puts the file back";
    }
}

TEST(ReaderProbe, AudioDataWithoutAudioHeaderEndsTheMovie) {
    MovieWriter writer;
    writer.chunk("pBNM", video_payload(8));
    writer.chunk("SCDl", pcm_payload(4));
    writer.chunk("pBNM", video_payload(8));
    OpenMovie movie(writer);
    EXPECT_EQ(movie.read(), READ_VIDEO);
    EXPECT_EQ(movie.read(), READ_END);
}

TEST(ReaderAudioHeader, ElementValuesAreBigEndianAndSignExtended) {
    const struct {
        std::vector<uint8_t> element;
        int32_t channels;
        int32_t rate;
    } cases[] = {
        {{0x82, 0x01, 0x02}, 2, 22050},        {{0x84, 0x02, 0x56, 0x22}, 1, 22050},
        {{0x84, 0x02, 0xAC, 0x44}, 1, -21436}, {{0x84, 0x03, 0x00, 0xAC, 0x44}, 1, 44100},
        {{0x84, 0x01, 0xFF}, 1, -1},           {{0x84, 0x00}, 1, 0},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> body = {'P', 'T', 0, 0, 0xFD};
        body.insert(body.end(), c.element.begin(), c.element.end());
        body.push_back(0x8A);
        MovieWriter writer;
        writer.chunk("SCHl", body);
        OpenMovie movie(writer);
        ASSERT_EQ(movie.read(), READ_AUDIO_HEADER);
        EXPECT_EQ(movie.context().sound.channels, c.channels);
        EXPECT_EQ(movie.context().sound.sample_rate, c.rate);
    }
}

TEST(ReaderAudioHeader, ALoneTerminatorLeavesTheDefaults) {
    MovieWriter writer;
    writer.chunk("SCHl", std::vector<uint8_t>{0, 0, 0, 0, 0xFD, 0x8A});
    OpenMovie movie(writer);
    movie.context().sound.channels = 7;
    ASSERT_EQ(movie.read(), READ_AUDIO_HEADER);
    EXPECT_EQ(movie.context().sound.sample_bits, 16);
    EXPECT_EQ(movie.context().sound.channels, 1);
    EXPECT_EQ(movie.context().sound.sample_rate, 22050);
    EXPECT_EQ(movie.context().sound.compression, 0);
}

TEST(ReaderAudioHeader, FirstListIsSkippedAndAllFourValuesAreTaken) {
    const AudioElement list1[] = {audio_element(0x84, 11025, 2), audio_element(0x10, 1, 4)};
    const AudioElement list2[] = {audio_element(0x81, 8, 1), audio_element(0x82, 2, 1),
                                  audio_element(0x83, 7, 1), audio_element(0x99, 123456, 4),
                                  audio_element(0x84, 44100, 3)};
    MovieWriter writer;
    writer.audio_header(list1, list2);
    OpenMovie movie(writer);
    ASSERT_EQ(movie.read(), READ_AUDIO_HEADER);
    EXPECT_EQ(movie.context().sound.sample_bits, 8);
    EXPECT_EQ(movie.context().sound.channels, 2);
    EXPECT_EQ(movie.context().sound.compression, 7);
    EXPECT_EQ(movie.context().sound.sample_rate, 44100);
}

TEST(ReaderAudioHeader, FixedFormatChunkSetsStereoImaAt22050) {
    MovieWriter writer;
    writer.chunk("SEAD", video_payload(20));
    OpenMovie movie(writer);
    ASSERT_EQ(movie.read(), READ_AUDIO_HEADER);
    EXPECT_EQ(movie.context().sound.channels, 2);
    EXPECT_EQ(movie.context().sound.sample_rate, 22050);
    EXPECT_EQ(movie.context().sound.compression, 10);
    EXPECT_EQ(movie.context().sound.sample_bits, 16);
}

TEST(ReaderRing, TheThirtyThirdVideoChunkReusesSlotZero) {
    OpenMovie movie(video_only_movie(33));
    for (int i = 0; i < 32; ++i) {
        ASSERT_EQ(movie.read(), READ_VIDEO);
    }
    movie.consume_video();
    ASSERT_EQ(movie.read(), READ_VIDEO);
    EXPECT_EQ(movie.context().reader.video_ring.slots[0].sequence, 32);
    EXPECT_EQ(movie.context().reader.video_ring.written, 33);
    EXPECT_EQ(movie.context().reader.video_chunks, 33);
}

TEST(ReaderArena, ABodyEndingExactlyAtTheArenaEndGoesToTheStart) {
    const uint32_t first = 600000;
    const uint32_t second = VIDEO_ARENA_BYTES - first;
    MovieWriter writer;
    writer.chunk("pBNM", video_payload(first));
    writer.chunk("pBNM", video_payload(second));
    writer.chunk("pBNM", video_payload(second - 1));
    OpenMovie movie(writer);
    PlayerContext& context = movie.context();
    ASSERT_EQ(movie.read(), READ_VIDEO);
    EXPECT_EQ(context.reader.video_ring.slots[0].data, context.reader.video_ring.arena);
    movie.consume_video();
    ASSERT_EQ(movie.read(), READ_VIDEO);
    EXPECT_EQ(context.reader.video_ring.slots[1].data, context.reader.video_ring.arena);
    movie.consume_video();
    ASSERT_EQ(movie.read(), READ_VIDEO);
    EXPECT_EQ(context.reader.video_ring.slots[2].data, context.reader.video_ring.arena + second);
}

// A body of the whole arena fills it from the start to its last byte.
TEST(ReaderArena, ABodyOfExactlyTheArenaSizeIsStoredAtTheStart) {
    MovieWriter writer;
    writer.chunk("pBNM", video_payload(64));
    writer.chunk("pBNM", video_payload(VIDEO_ARENA_BYTES, 640, 480));
    OpenMovie movie(writer);
    PlayerContext& context = movie.context();
    ASSERT_EQ(movie.read(), READ_VIDEO);
    EXPECT_EQ(movie.read(), READ_BUSY) << "it would overwrite the queued first body";
    movie.consume_video();
    ASSERT_EQ(movie.read(), READ_VIDEO);
    EXPECT_EQ(context.reader.video_ring.slots[1].data, context.reader.video_ring.arena);
    EXPECT_EQ(context.reader.video_ring.slots[1].bytes, VIDEO_ARENA_BYTES);
}

TEST(ReaderBackPressure, AFullVideoRingLeavesTheChunkInTheFile) {
    OpenMovie movie(video_only_movie(34));
    for (int i = 0; i < 32; ++i) {
        ASSERT_EQ(movie.read(), READ_VIDEO);
    }
    const int32_t before = movie.position();
    EXPECT_EQ(movie.read(), READ_BUSY);
    EXPECT_EQ(movie.position(), before);
    EXPECT_EQ(movie.context().reader.video_ring.slots[0].sequence, 0)
        << "the oldest slot is intact";
    movie.consume_video();
    EXPECT_EQ(movie.read(), READ_VIDEO);
    EXPECT_EQ(movie.context().reader.video_ring.slots[0].sequence, 32);
}

TEST(ReaderBackPressure, ABodyThatWouldOverwriteQueuedVideoWaits) {
    MovieWriter writer;
    for (int i = 0; i < 3; ++i) {
        writer.chunk("pBNM", video_payload(400000, static_cast<uint16_t>(i + 1)));
    }
    OpenMovie movie(writer);
    ASSERT_EQ(movie.read(), READ_VIDEO);
    ASSERT_EQ(movie.read(), READ_VIDEO);
    EXPECT_EQ(movie.read(), READ_BUSY) << "the third body would wrap onto the first";
    movie.consume_video();
    ASSERT_EQ(movie.read(), READ_VIDEO);
    const VideoFrameSlot& second = movie.context().reader.video_ring.slots[1];
    EXPECT_EQ(second.data[0], 2) << "the queued second body is untouched";
    EXPECT_EQ(movie.context().reader.video_ring.slots[2].data[0], 3);
}

TEST(ReaderMalformed, ASizeBelowTheHeaderEndsReading) {
    MovieWriter writer;
    writer.chunk_with_size("pBNM", video_payload(16), 4);
    OpenMovie movie(writer);
    EXPECT_EQ(movie.read(), READ_END);
    EXPECT_EQ(movie.context().reader.video_ring.queued, 0);
}

TEST(ReaderMalformed, AVideoBodyLargerThanTheArenaIsSteppedOver) {
    MovieWriter writer;
    writer.chunk("pBNM", video_payload(VIDEO_ARENA_BYTES + 10));
    writer.chunk("pELZ", video_payload(16));
    OpenMovie movie(writer);
    EXPECT_EQ(movie.read(), READ_SKIPPED);
    EXPECT_EQ(movie.read(), READ_VIDEO);
    EXPECT_EQ(movie.context().reader.video_ring.slots[0].kind, VIDEO_ZLE);
}

TEST(ReaderMalformed, AHugeSizeFieldReadsOnlyWhatTheFileHas) {
    MovieWriter writer;
    writer.chunk_with_size("pBNM", video_payload(16), 0xFFFFFFF0u);
    OpenMovie movie(writer);
    EXPECT_EQ(movie.read(), READ_END);
    EXPECT_EQ(movie.context().reader.video_ring.queued, 0);
}

TEST(ReaderMalformed, AShortVideoBodyIsQueuedWithItsAnnouncedSizeAndZeroTail) {
    MovieWriter truncated;
    truncated.chunk_with_size("pBNM", video_payload(10, 0xFFFF, 0xFFFF), 8 + 100);
    OpenMovie movie(truncated);
    std::fill_n(movie.context().reader.video_ring.arena, 100, 0xEE);
    ASSERT_EQ(movie.read(), READ_VIDEO);
    const VideoFrameSlot& slot = movie.context().reader.video_ring.slots[0];
    EXPECT_EQ(slot.bytes, 100u);
    EXPECT_EQ(slot.data[9], 0);
    EXPECT_EQ(slot.data[10], 0) << "the missing tail reads as zeros";
    EXPECT_EQ(slot.data[99], 0);
}

TEST(ReaderMalformed, AnAudioHeaderLongerThanItsBufferIsCutAndSteppedOver) {
    std::vector<uint8_t> body = audio_header_body({}, {});
    body.insert(body.begin() + 4, 0x10);
    body.insert(body.begin() + 5, 0x00);
    std::vector<uint8_t> long_body(CHUNK_BUFFER_BYTES + 5000, 0x01);
    std::copy(body.begin(), body.end(), long_body.begin());
    MovieWriter writer;
    writer.chunk("SCHl", long_body);
    writer.chunk("pBNM", video_payload(16));
    OpenMovie movie(writer);
    EXPECT_EQ(movie.read(), READ_AUDIO_HEADER);
    EXPECT_EQ(movie.read(), READ_VIDEO) << "the reader continues after the whole chunk";
}

TEST(ReaderMalformed, AnAudioHeaderWithoutTerminatorsStopsAtItsBody) {
    const std::vector<std::vector<uint8_t>> bodies = {
        {0, 0, 0, 0, 0x10, 0x02, 1, 2, 0x10},        // list 1 never ends
        {0, 0, 0, 0, 0xFD, 0x82, 0x01, 0x02},        // list 2 never ends
        {0, 0, 0, 0, 0xFD, 0x84, 0x04, 0x00, 0x01},  // an element longer than the body
        {0, 0},                                      // shorter than its first four bytes
    };
    for (const auto& body : bodies) {
        MovieWriter writer;
        writer.chunk("SCHl", body);
        writer.chunk("pBNM", video_payload(16));
        OpenMovie movie(writer);
        EXPECT_EQ(movie.read(), READ_AUDIO_HEADER);
        EXPECT_EQ(movie.read(), READ_VIDEO);
    }
}

TEST(ReaderMalformed, AReadErrorInABodyIsReported) {
    OpenMovie movie(video_only_movie(2));
    platform_faults().file_read_error_at = 80;
    EXPECT_EQ(movie.read(), READ_VIDEO);
    EXPECT_EQ(movie.read(), READ_ERROR);
    platform_faults_reset();
}

TEST(ReaderClose, ClosingFreesArenasAndSlotsAndClosesTheFile) {
    const int32_t files_before = file_open_count();
    {
        OpenMovie movie(video_only_movie(3));
        ASSERT_EQ(movie.read(), READ_VIDEO);
        EXPECT_EQ(file_open_count(), files_before + 1);
    }
    EXPECT_EQ(file_open_count(), files_before);
}

}  // namespace

}  // namespace qx
