#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "platform/kernel.h"
#include "platform/platform_clock.h"
#include "platform/soft/soft_backend.h"
#include "tests/platform/wait_until.h"

namespace qx {

namespace {

constexpr WaveFormat STEREO_22050{WAVE_FORMAT_PCM, 2, 22050, 88200, 4, 16, 0};

class SoftSoundTest : public ::testing::Test {
  protected:
    explicit SoftSoundTest(const SoftBackendConfig& config = {}) : soft_(config) {}

    void SetUp() override { ASSERT_EQ(soft_.create_sound(&device_), PLATFORM_OK); }
    void TearDown() override { device_->release(); }

    SoundBuffer* make_buffer(uint32_t bytes, const WaveFormat& format = STEREO_22050) {
        SoundBufferDesc desc;
        desc.flags = SOUND_BUFFER_CTRL_DEFAULT | SOUND_BUFFER_GET_CURRENT_POSITION2;
        desc.buffer_bytes = bytes;
        desc.format = &format;
        SoundBuffer* buffer = nullptr;
        EXPECT_EQ(device_->create_sound_buffer(desc, &buffer), PLATFORM_OK);
        return buffer;
    }

    static void fill(SoundBuffer* buffer, uint32_t offset, const std::vector<uint8_t>& bytes) {
        void* first = nullptr;
        void* second = nullptr;
        uint32_t first_bytes = 0;
        uint32_t second_bytes = 0;
        ASSERT_EQ(buffer->lock(offset, static_cast<uint32_t>(bytes.size()), &first, &first_bytes,
                               &second, &second_bytes, 0),
                  PLATFORM_OK);
        std::memcpy(first, bytes.data(), first_bytes);
        if (second_bytes > 0) {
            std::memcpy(second, bytes.data() + first_bytes, second_bytes);
        }
        ASSERT_EQ(buffer->unlock(first, first_bytes, second, second_bytes), PLATFORM_OK);
    }

    uint32_t play_cursor(SoundBuffer* buffer) {
        uint32_t play = 0;
        EXPECT_EQ(buffer->get_current_position(&play, nullptr), PLATFORM_OK);
        return play;
    }

    int64_t heard_bytes(size_t index = 0) const { return soft_.sound_buffers()[index].heard_bytes; }

    SoftBackend soft_;
    SoundDevice* device_ = nullptr;
};

// 1, 2, 3 ...: every byte tells where it stood.
std::vector<uint8_t> counting_bytes(size_t count) {
    std::vector<uint8_t> bytes(count);
    for (size_t i = 0; i < count; ++i) {
        bytes[i] = static_cast<uint8_t>(i + 1);
    }
    return bytes;
}

// When a call happened: somewhere between two readings of the platform clock.
struct Moment {
    int64_t before;
    int64_t after;
};

template <typename Call>
Moment timed(Call call) {
    const int64_t before = platform_clock_now_us();
    call();
    return {before, platform_clock_now_us()};
}

struct ByteRange {
    int64_t low;
    int64_t high;
};

// The bytes a cursor moving at `rate` frames a second passes from `start` to `end`.
ByteRange bytes_between(Moment start, Moment end, int64_t rate, int64_t block_align) {
    return {(end.before - start.after) * rate / 1000000 * block_align,
            (end.after - start.before) * rate / 1000000 * block_align};
}

TEST_F(SoftSoundTest, DeviceReportsItsCapsAndRecordsTheCooperativeLevel) {
    SoundCaps caps;
    ASSERT_EQ(device_->get_caps(caps), PLATFORM_OK);
    EXPECT_EQ(caps.flags, SOUND_CAPS_PRIMARY_STEREO | SOUND_CAPS_PRIMARY_16BIT);
    EXPECT_EQ(device_->set_cooperative_level(nullptr, SOUND_COOPERATIVE_PRIORITY), PLATFORM_OK);
    EXPECT_EQ(soft_.counters().sound_cooperative_level, SOUND_COOPERATIVE_PRIORITY);
}

TEST(SoftSound, CapsFollowTheConfiguration) {
    SoftBackendConfig config;
    config.sound_caps_flags = SOUND_CAPS_PRIMARY_MONO | SOUND_CAPS_PRIMARY_8BIT;
    config.primary_buffer_bytes = 12000;
    SoftBackend soft(config);
    SoundDevice* device = nullptr;
    ASSERT_EQ(soft.create_sound(&device), PLATFORM_OK);
    SoundCaps caps;
    ASSERT_EQ(device->get_caps(caps), PLATFORM_OK);
    EXPECT_EQ(caps.flags, SOUND_CAPS_PRIMARY_MONO | SOUND_CAPS_PRIMARY_8BIT);
    SoundBufferDesc desc;
    desc.flags = SOUND_BUFFER_PRIMARY;
    SoundBuffer* primary = nullptr;
    ASSERT_EQ(device->create_sound_buffer(desc, &primary), PLATFORM_OK);
    SoundBufferCaps buffer_caps;
    ASSERT_EQ(primary->get_caps(buffer_caps), PLATFORM_OK);
    EXPECT_EQ(buffer_caps.buffer_bytes, 12000u);
    device->release();
    EXPECT_EQ(soft.counters().live_sound_buffers, 0);
}

TEST_F(SoftSoundTest, PrimaryBufferRecordsTheFormatItAccepts) {
    SoundBufferDesc desc;
    desc.flags = SOUND_BUFFER_PRIMARY;
    SoundBuffer* primary = nullptr;
    ASSERT_EQ(device_->create_sound_buffer(desc, &primary), PLATFORM_OK);
    const WaveFormat mono8{WAVE_FORMAT_PCM, 1, 22050, 22050, 1, 8, 0};
    ASSERT_EQ(primary->set_format(mono8), PLATFORM_OK);
    SoftCounters counters = soft_.counters();
    EXPECT_TRUE(counters.primary_format_set);
    EXPECT_EQ(counters.primary_format.channels, 1);
    EXPECT_EQ(counters.primary_format.bits_per_sample, 8);
    EXPECT_EQ(counters.primary_format.samples_per_sec, 22050u);

    WaveFormat inconsistent = STEREO_22050;
    inconsistent.block_align = 2;
    EXPECT_EQ(primary->set_format(inconsistent), PLATFORM_INVALID_ARGUMENT);
    EXPECT_EQ(soft_.counters().primary_format.channels, 1);
    SoundBuffer* stream = make_buffer(4096);
    EXPECT_EQ(stream->set_format(STEREO_22050), PLATFORM_INVALID_ARGUMENT);
    uint32_t play = 0;
    EXPECT_EQ(primary->get_current_position(&play, nullptr), PLATFORM_INVALID_ARGUMENT);

    // The primary buffer's size and format are the device's own.
    desc.buffer_bytes = 4096;
    SoundBuffer* sized = nullptr;
    EXPECT_EQ(device_->create_sound_buffer(desc, &sized), PLATFORM_INVALID_ARGUMENT);
    EXPECT_EQ(sized, nullptr);
}

TEST_F(SoftSoundTest, SecondaryBuffersHoldWholeFrames) {
    SoundBuffer* buffer = make_buffer(32767);
    SoundBufferCaps caps;
    ASSERT_EQ(buffer->get_caps(caps), PLATFORM_OK);
    EXPECT_EQ(caps.buffer_bytes, 32764u);
    EXPECT_EQ(caps.flags, 0x100E0u);
    const std::vector<SoftSoundBufferRecord> records = soft_.sound_buffers();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].buffer_bytes, 32764u);
    EXPECT_EQ(records[0].frequency, 22050u);
    EXPECT_TRUE(records[0].alive);
    EXPECT_FALSE(records[0].playing);

    SoundBufferDesc desc;
    desc.format = &STEREO_22050;
    SoundBuffer* refused = nullptr;
    EXPECT_EQ(device_->create_sound_buffer(desc, &refused), PLATFORM_INVALID_ARGUMENT);
    desc.buffer_bytes = 3;
    EXPECT_EQ(device_->create_sound_buffer(desc, &refused), PLATFORM_INVALID_ARGUMENT);
    desc.buffer_bytes = 0xFFFFFFF0u;
    EXPECT_EQ(device_->create_sound_buffer(desc, &refused), PLATFORM_INVALID_ARGUMENT);
    desc.buffer_bytes = 4096;
    desc.format = nullptr;
    EXPECT_EQ(device_->create_sound_buffer(desc, &refused), PLATFORM_INVALID_ARGUMENT);
    EXPECT_EQ(refused, nullptr);
    EXPECT_EQ(soft_.counters().live_sound_buffers, 1);
}

TEST_F(SoftSoundTest, CursorStandsStillUnlessPlaying) {
    ScopedClockScale fast(20.0);
    SoundBuffer* buffer = make_buffer(8192);
    sleep_ms(50);
    EXPECT_EQ(play_cursor(buffer), 0u);
    ASSERT_EQ(buffer->play(0, 0, SOUND_PLAY_LOOPING), PLATFORM_OK);
    ASSERT_TRUE(wait_until([&] { return heard_bytes() > 0; }));
    ASSERT_EQ(buffer->stop(), PLATFORM_OK);
    const uint32_t stopped_at = play_cursor(buffer);
    const int64_t heard = heard_bytes();
    EXPECT_EQ(stopped_at % 4, 0u);
    EXPECT_EQ(stopped_at, heard % 8192);
    sleep_ms(50);
    uint32_t play = 0;
    uint32_t write = 0;
    ASSERT_EQ(buffer->get_current_position(&play, &write), PLATFORM_OK);
    EXPECT_EQ(play, stopped_at);
    EXPECT_EQ(write, stopped_at);
    EXPECT_EQ(heard_bytes(), heard);
    // play() carries on from where stop() left the cursor.
    ASSERT_EQ(buffer->play(0, 0, SOUND_PLAY_LOOPING), PLATFORM_OK);
    ASSERT_TRUE(wait_until([&] { return heard_bytes() > heard; }));
    ASSERT_EQ(buffer->stop(), PLATFORM_OK);
    EXPECT_EQ(play_cursor(buffer), heard_bytes() % 8192);
    const SoftSoundBufferRecord record = soft_.sound_buffers()[0];
    EXPECT_EQ(record.plays, 2);
    EXPECT_EQ(record.stops, 2);
    EXPECT_FALSE(record.playing);
}

TEST_F(SoftSoundTest, CursorMovesAtTheBufferByteRate) {
    ScopedClockScale fast(50.0);
    SoundBuffer* buffer = make_buffer(88200);
    const Moment start =
        timed([&] { EXPECT_EQ(buffer->play(0, 0, SOUND_PLAY_LOOPING), PLATFORM_OK); });
    sleep_ms(300);
    const Moment end = timed([&] { EXPECT_EQ(buffer->stop(), PLATFORM_OK); });
    const ByteRange expected = bytes_between(start, end, 22050, 4);
    const int64_t heard = heard_bytes();
    EXPECT_GE(heard, expected.low);
    EXPECT_LE(heard, expected.high);
    EXPECT_GE(heard, 300 * 882 / 10);  // the sleep lasted at least its platform time
}

TEST_F(SoftSoundTest, FrequencyChangesTheRateFromThatMomentOn) {
    ScopedClockScale fast(50.0);
    SoundBuffer* buffer = make_buffer(88200 * 2);
    const Moment start =
        timed([&] { EXPECT_EQ(buffer->play(0, 0, SOUND_PLAY_LOOPING), PLATFORM_OK); });
    sleep_ms(200);
    const Moment change = timed([&] { EXPECT_EQ(buffer->set_frequency(44100), PLATFORM_OK); });
    sleep_ms(200);
    const Moment end = timed([&] { EXPECT_EQ(buffer->stop(), PLATFORM_OK); });
    const ByteRange slow = bytes_between(start, change, 22050, 4);
    const ByteRange quick = bytes_between(change, end, 44100, 4);
    const int64_t heard = heard_bytes();
    EXPECT_GE(heard, slow.low + quick.low);
    EXPECT_LE(heard, slow.high + quick.high);
    EXPECT_EQ(soft_.sound_buffers()[0].frequency, 44100u);
    EXPECT_EQ(buffer->set_frequency(99), PLATFORM_INVALID_ARGUMENT);
    ASSERT_EQ(buffer->set_frequency(0), PLATFORM_OK);
    EXPECT_EQ(soft_.sound_buffers()[0].frequency, 22050u);
}

TEST_F(SoftSoundTest, PlayWithoutLoopingStopsAtTheEnd) {
    ScopedClockScale fast(50.0);
    SoundBuffer* buffer = make_buffer(4000);
    std::vector<uint8_t> pattern(4000);
    for (size_t i = 0; i < pattern.size(); ++i) {
        pattern[i] = static_cast<uint8_t>(i * 3);
    }
    fill(buffer, 0, pattern);
    ASSERT_EQ(buffer->play(0, 0, 0), PLATFORM_OK);
    ASSERT_TRUE(wait_until([&] { return !soft_.sound_buffers()[0].playing; }));
    sleep_ms(100);
    EXPECT_EQ(heard_bytes(), 4000);
    EXPECT_EQ(play_cursor(buffer), 0u);
    EXPECT_EQ(soft_.heard(0), pattern);
}

TEST_F(SoftSoundTest, LockAcrossTheEndComesInTwoRegions) {
    SoundBuffer* buffer = make_buffer(1000);
    void* first = nullptr;
    void* second = nullptr;
    uint32_t first_bytes = 0;
    uint32_t second_bytes = 0;
    ASSERT_EQ(buffer->lock(0, 1000, &first, &first_bytes, &second, &second_bytes, 0), PLATFORM_OK);
    auto* start = static_cast<uint8_t*>(first);
    EXPECT_EQ(first_bytes, 1000u);
    EXPECT_EQ(second, nullptr);
    EXPECT_EQ(second_bytes, 0u);
    ASSERT_EQ(buffer->unlock(first, first_bytes, second, second_bytes), PLATFORM_OK);

    ASSERT_EQ(buffer->lock(900, 300, &first, &first_bytes, &second, &second_bytes, 0), PLATFORM_OK);
    EXPECT_EQ(first, start + 900);
    EXPECT_EQ(first_bytes, 100u);
    EXPECT_EQ(second, start);
    EXPECT_EQ(second_bytes, 200u);
    ASSERT_EQ(buffer->unlock(first, first_bytes, second, second_bytes), PLATFORM_OK);
    EXPECT_EQ(buffer->unlock(first, first_bytes, second, second_bytes), PLATFORM_INVALID_ARGUMENT);

    EXPECT_EQ(buffer->lock(1000, 4, &first, &first_bytes, &second, &second_bytes, 0),
              PLATFORM_INVALID_ARGUMENT);
    EXPECT_EQ(buffer->lock(0, 1001, &first, &first_bytes, &second, &second_bytes, 0),
              PLATFORM_INVALID_ARGUMENT);
    EXPECT_EQ(buffer->lock(0, 0, &first, &first_bytes, &second, &second_bytes, 0),
              PLATFORM_INVALID_ARGUMENT);
    EXPECT_EQ(buffer->lock(900, 300, &first, &first_bytes, nullptr, nullptr, 0),
              PLATFORM_INVALID_ARGUMENT);
    const SoftSoundBufferRecord record = soft_.sound_buffers()[0];
    EXPECT_EQ(record.locks, 6);
    EXPECT_EQ(record.unlocks, 3);
}

std::vector<uint8_t> pattern_of(uint32_t bytes, uint8_t seed) {
    std::vector<uint8_t> made(bytes);
    for (uint32_t i = 0; i < bytes; ++i) {
        made[i] = static_cast<uint8_t>(i * 7 + seed);
    }
    return made;
}

TEST_F(SoftSoundTest, HeardLogHoldsEachByteAsItWasWhenTheCursorPassed) {
    ScopedClockScale fast(50.0);
    SoundBuffer* buffer = make_buffer(400);
    const std::vector<uint8_t> before = pattern_of(400, 3);
    fill(buffer, 0, before);
    ASSERT_EQ(buffer->play(0, 0, SOUND_PLAY_LOOPING), PLATFORM_OK);
    ASSERT_TRUE(wait_until([&] { return heard_bytes() >= 1000; }));
    ASSERT_EQ(buffer->stop(), PLATFORM_OK);
    const auto first_part = static_cast<size_t>(heard_bytes());
    EXPECT_EQ(play_cursor(buffer), first_part % 400);

    const std::vector<uint8_t> after = pattern_of(400, 100);
    fill(buffer, 0, after);
    ASSERT_EQ(buffer->play(0, 0, SOUND_PLAY_LOOPING), PLATFORM_OK);
    ASSERT_TRUE(
        wait_until([&] { return heard_bytes() >= static_cast<int64_t>(first_part) + 900; }));
    ASSERT_EQ(buffer->stop(), PLATFORM_OK);

    const std::vector<uint8_t> heard = soft_.heard(0);
    ASSERT_EQ(heard.size(), static_cast<size_t>(heard_bytes()));
    for (size_t i = 0; i < heard.size(); ++i) {
        const std::vector<uint8_t>& playing = i < first_part ? before : after;
        ASSERT_EQ(heard[i], playing[i % 400]) << "byte " << i;
    }
}

TEST_F(SoftSoundTest, BytesPassedWhileLockedAreHeardAsTheWriterLeftThem) {
    ScopedClockScale fast(50.0);
    SoundBuffer* buffer = make_buffer(400);
    fill(buffer, 0, pattern_of(400, 3));
    ASSERT_EQ(buffer->play(0, 0, SOUND_PLAY_LOOPING), PLATFORM_OK);
    void* first = nullptr;
    void* second = nullptr;
    uint32_t first_bytes = 0;
    uint32_t second_bytes = 0;
    ASSERT_EQ(buffer->lock(0, 400, &first, &first_bytes, &second, &second_bytes, 0), PLATFORM_OK);
    const auto before_lock = static_cast<size_t>(heard_bytes());
    // Another thread moves the cursor over the locked bytes while they are being written.
    std::thread control([&] {
        EXPECT_TRUE(wait_until([&] { return play_cursor(buffer) != before_lock % 400; }));
        EXPECT_EQ(buffer->stop(), PLATFORM_OK);
    });
    const std::vector<uint8_t> written = pattern_of(400, 100);
    std::memcpy(first, written.data(), first_bytes);
    control.join();
    ASSERT_EQ(buffer->unlock(first, first_bytes, second, second_bytes), PLATFORM_OK);

    const std::vector<uint8_t> heard = soft_.heard(0);
    ASSERT_EQ(heard.size(), static_cast<size_t>(heard_bytes()));
    ASSERT_GT(heard.size(), before_lock);
    for (size_t i = before_lock; i < heard.size(); ++i) {
        ASSERT_EQ(heard[i], written[i % 400]) << "byte " << i;
    }
}

TEST_F(SoftSoundTest, WrittenLogKeepsEveryLockedRegionInOrder) {
    SoundBuffer* buffer = make_buffer(64);
    const std::vector<uint8_t> across_the_end = counting_bytes(16);
    fill(buffer, 56, across_the_end);
    fill(buffer, 8, {100, 101});
    const SoftSoundBufferRecord record = soft_.sound_buffers()[0];
    EXPECT_EQ(record.buffer, buffer);
    EXPECT_EQ(record.last_lock_offset, 8u);
    EXPECT_EQ(record.last_lock_bytes, 2u);
    std::vector<uint8_t> expected = across_the_end;
    expected.insert(expected.end(), {100, 101});
    EXPECT_EQ(soft_.written(0), expected);
    buffer->release();
}

class SoftSoundByHandTest : public SoftSoundTest {
  protected:
    SoftSoundByHandTest() : SoftSoundTest(by_hand()) {}
    static SoftBackendConfig by_hand() {
        SoftBackendConfig config;
        config.cursor_follows_clock = false;
        return config;
    }
};

TEST_F(SoftSoundByHandTest, CursorMovesOnlyWhereTheTestMovesItAndHearsWhatItPasses) {
    SoundBuffer* buffer = make_buffer(64);
    const std::vector<uint8_t> bytes = counting_bytes(64);
    fill(buffer, 0, bytes);
    ASSERT_EQ(buffer->play(0, 0, SOUND_PLAY_LOOPING), PLATFORM_OK);
    platform_clock_sleep_us(20000);
    EXPECT_EQ(play_cursor(buffer), 0u);
    soft_.move_play_cursor(0, 40);
    EXPECT_EQ(play_cursor(buffer), 40u);
    // Moving back means playing on round the loop.
    soft_.move_play_cursor(0, 8);
    EXPECT_EQ(play_cursor(buffer), 8u);
    std::vector<uint8_t> expected = bytes;
    expected.insert(expected.end(), bytes.begin(), bytes.begin() + 8);
    EXPECT_EQ(soft_.heard(0), expected);
    soft_.move_play_cursor(0, 64);
    EXPECT_EQ(play_cursor(buffer), 8u) << "beyond the buffer: ignored";
    buffer->release();
}

TEST_F(SoftSoundTest, HeardLogSurvivesTheBufferAndEndsWithIt) {
    ScopedClockScale fast(50.0);
    SoundBuffer* buffer = make_buffer(4096);
    ASSERT_EQ(buffer->play(0, 0, SOUND_PLAY_LOOPING), PLATFORM_OK);
    ASSERT_TRUE(wait_until([&] { return heard_bytes() > 0; }));
    buffer->release();
    const SoftSoundBufferRecord record = soft_.sound_buffers()[0];
    EXPECT_FALSE(record.alive);
    EXPECT_FALSE(record.playing);
    sleep_ms(50);
    EXPECT_EQ(heard_bytes(), record.heard_bytes);
    EXPECT_EQ(soft_.heard(0).size(), static_cast<size_t>(record.heard_bytes));
    EXPECT_TRUE(soft_.heard(7).empty());
    soft_.clear_logs();
    EXPECT_TRUE(soft_.heard(0).empty());
}

TEST(SoftSound, HeardLogKeepsItsLimitButCountsEverything) {
    ScopedClockScale fast(50.0);
    SoftBackendConfig config;
    config.heard_log_limit = 1000;
    SoftBackend soft(config);
    SoundDevice* device = nullptr;
    ASSERT_EQ(soft.create_sound(&device), PLATFORM_OK);
    SoundBufferDesc desc;
    desc.buffer_bytes = 256;
    desc.format = &STEREO_22050;
    SoundBuffer* buffer = nullptr;
    ASSERT_EQ(device->create_sound_buffer(desc, &buffer), PLATFORM_OK);
    ASSERT_EQ(buffer->play(0, 0, SOUND_PLAY_LOOPING), PLATFORM_OK);
    ASSERT_TRUE(wait_until([&] { return soft.sound_buffers()[0].heard_bytes > 3000; }));
    EXPECT_EQ(soft.heard(0).size(), 1000u);
    device->release();
    EXPECT_EQ(soft.counters().live_sound_buffers, 0);
    EXPECT_FALSE(soft.sound_buffers()[0].alive);
}

// A writer refills the space behind the cursor as the media clock does, while another thread
// pauses and resumes the buffer: the listener hears one buffer of silence and then exactly the
// stream that was written, in order.
TEST(SoftSoundConcurrency, StreamWrittenBehindTheCursorIsHeardInOrder) {
    ScopedClockScale fast(2.0);
    SoftBackend soft;
    SoundDevice* device = nullptr;
    ASSERT_EQ(soft.create_sound(&device), PLATFORM_OK);
    constexpr uint32_t BUFFER_BYTES = 32768;
    SoundBufferDesc desc;
    desc.buffer_bytes = BUFFER_BYTES;
    desc.format = &STEREO_22050;
    SoundBuffer* buffer = nullptr;
    ASSERT_EQ(device->create_sound_buffer(desc, &buffer), PLATFORM_OK);
    const auto stream_byte = [](uint64_t k) { return static_cast<uint8_t>(k * 13 + (k >> 9)); };
    std::atomic<bool> done{false};
    ASSERT_EQ(buffer->play(0, 0, SOUND_PLAY_LOOPING), PLATFORM_OK);

    std::thread writer([&] {
        uint32_t write = 0;
        uint64_t written = 0;
        while (!done) {
            uint32_t play = 0;
            if (buffer->get_current_position(&play, nullptr) == PLATFORM_OK && play != write) {
                const uint32_t free = play > write ? play - write : play + BUFFER_BYTES - write;
                void* regions[2] = {};
                uint32_t sizes[2] = {};
                if (buffer->lock(write, free, &regions[0], &sizes[0], &regions[1], &sizes[1], 0) ==
                    PLATFORM_OK) {
                    for (int r = 0; r < 2; ++r) {
                        auto* out = static_cast<uint8_t*>(regions[r]);
                        for (uint32_t i = 0; i < sizes[r]; ++i) {
                            out[i] = stream_byte(written++);
                        }
                    }
                    buffer->unlock(regions[0], sizes[0], regions[1], sizes[1]);
                }
                write = (write + free) % BUFFER_BYTES;
            }
            sleep_ms(1);
        }
    });
    std::thread pauser([&] {
        while (!done) {
            sleep_ms(15);
            buffer->stop();
            sleep_ms(5);
            buffer->play(0, 0, SOUND_PLAY_LOOPING);
        }
    });
    const bool enough = wait_until(
        [&] { return soft.sound_buffers()[0].heard_bytes > BUFFER_BYTES + 3 * BUFFER_BYTES / 2; });
    done = true;
    writer.join();
    pauser.join();
    ASSERT_TRUE(enough);
    buffer->stop();

    const std::vector<uint8_t> heard = soft.heard(0);
    for (size_t i = 0; i < heard.size(); ++i) {
        const uint8_t expected = i < BUFFER_BYTES ? 0 : stream_byte(i - BUFFER_BYTES);
        ASSERT_EQ(heard[i], expected) << "byte " << i;
    }
    EXPECT_GT(soft.sound_buffers()[0].stops, 0);
    device->release();
}

}  // namespace

}  // namespace qx
