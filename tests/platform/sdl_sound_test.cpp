#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>
#include <vector>

#include "platform/sdl/sdl_backend.h"

namespace qx {

// SDL's disk audio driver plays in real time into a file, which is what a listener heard.
namespace {

struct SdlSoundFixture : testing::Test {
    std::filesystem::path heard;
    std::unique_ptr<SdlBackend> backend;
    SoundDevice* device = nullptr;

    void SetUp() override {
        heard = std::filesystem::temp_directory_path() /
                ("qx_sdl_sound_" + std::to_string(::getpid()) + ".raw");
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", heard.c_str(), 1);
        backend = std::make_unique<SdlBackend>();
        ASSERT_EQ(backend->create_sound(&device), PLATFORM_OK);
    }
    void TearDown() override {
        if (device) {
            device->release();
        }
        backend.reset();
        std::filesystem::remove(heard);
    }

    SoundBuffer* stream(uint32_t bytes, uint32_t rate) {
        WaveFormat format{WAVE_FORMAT_PCM, 2, rate, rate * 4, 4, 16, 0};
        SoundBufferDesc desc;
        desc.flags = SOUND_BUFFER_CTRL_DEFAULT | SOUND_BUFFER_GET_CURRENT_POSITION2;
        desc.buffer_bytes = bytes;
        desc.format = &format;
        SoundBuffer* buffer = nullptr;
        EXPECT_EQ(device->create_sound_buffer(desc, &buffer), PLATFORM_OK);
        return buffer;
    }

    uint32_t cursor(SoundBuffer* buffer) {
        uint32_t play = 0;
        EXPECT_EQ(buffer->get_current_position(&play, nullptr), PLATFORM_OK);
        return play;
    }

    std::vector<uint8_t> heard_bytes() {
        std::ifstream file(heard, std::ios::binary);
        return {std::istreambuf_iterator<char>(file), {}};
    }
};

using SdlSound = SdlSoundFixture;

// Bytes that never repeat within the buffer and are never zero.
uint8_t tone_byte(uint32_t i) {
    return static_cast<uint8_t>(1 + (i * 7 + i / 251) % 255);
}

void sleep_ms_real(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace

TEST_F(SdlSound, DeviceOffersWhatThePrimaryFormatNeeds) {
    SoundCaps caps;
    ASSERT_EQ(device->get_caps(caps), PLATFORM_OK);
    EXPECT_TRUE(caps.flags & SOUND_CAPS_PRIMARY_STEREO);
    EXPECT_TRUE(caps.flags & SOUND_CAPS_PRIMARY_16BIT);
    SoundBufferDesc desc;
    desc.flags = SOUND_BUFFER_PRIMARY;
    SoundBuffer* primary = nullptr;
    ASSERT_EQ(device->create_sound_buffer(desc, &primary), PLATFORM_OK);
    SoundBufferCaps buffer_caps;
    ASSERT_EQ(primary->get_caps(buffer_caps), PLATFORM_OK);
    EXPECT_EQ(buffer_caps.buffer_bytes, 32768u);
    const WaveFormat stereo16{WAVE_FORMAT_PCM, 2, 22050, 88200, 4, 16, 0};
    const WaveFormat mono8{WAVE_FORMAT_PCM, 1, 22050, 22050, 1, 8, 0};
    const WaveFormat odd{WAVE_FORMAT_PCM, 2, 22050, 88200, 3, 16, 0};
    EXPECT_EQ(primary->set_format(stereo16), PLATFORM_OK);
    EXPECT_EQ(primary->set_format(mono8), PLATFORM_OK);
    EXPECT_NE(primary->set_format(odd), PLATFORM_OK);
    primary->release();
}

TEST_F(SdlSound, StreamBuffersOfNoSizeOrNoFormatAreRefused) {
    WaveFormat format{WAVE_FORMAT_PCM, 2, 22050, 88200, 4, 16, 0};
    SoundBufferDesc desc;
    desc.flags = SOUND_BUFFER_CTRL_DEFAULT | SOUND_BUFFER_GET_CURRENT_POSITION2;
    desc.format = &format;
    SoundBuffer* buffer = nullptr;
    EXPECT_NE(device->create_sound_buffer(desc, &buffer), PLATFORM_OK);  // 0 bytes
    EXPECT_EQ(buffer, nullptr);
    desc.buffer_bytes = 32768;
    desc.format = nullptr;
    EXPECT_NE(device->create_sound_buffer(desc, &buffer), PLATFORM_OK);
}

TEST_F(SdlSound, CallbackMovesTheCursorAndPlaysTheBufferLooping) {
    SoundBuffer* buffer = stream(32768, 22050);
    SoundBufferCaps caps;
    ASSERT_EQ(buffer->get_caps(caps), PLATFORM_OK);
    EXPECT_EQ(caps.buffer_bytes, 32768u);
    EXPECT_EQ(caps.flags, 0x100E0u);
    void* first = nullptr;
    void* second = nullptr;
    uint32_t first_bytes = 0;
    uint32_t second_bytes = 0;
    ASSERT_EQ(buffer->lock(0, 32768, &first, &first_bytes, &second, &second_bytes, 0), PLATFORM_OK);
    ASSERT_EQ(first_bytes, 32768u);
    EXPECT_EQ(second_bytes, 0u);
    for (uint32_t i = 0; i < 32768; ++i) {
        static_cast<uint8_t*>(first)[i] = tone_byte(i);
    }
    ASSERT_EQ(buffer->unlock(first, first_bytes, second, second_bytes), PLATFORM_OK);
    sleep_ms_real(50);
    EXPECT_EQ(cursor(buffer), 0u) << "not played yet";

    ASSERT_EQ(buffer->play(0, 0, SOUND_PLAY_LOOPING), PLATFORM_OK);
    const auto started = std::chrono::steady_clock::now();
    uint32_t moves = 0;
    uint32_t last = 0;
    // Half a second is 44,100 bytes: more than one pass round the buffer.
    while (std::chrono::steady_clock::now() - started < std::chrono::milliseconds(600)) {
        const uint32_t now = cursor(buffer);
        moves += now != last;
        last = now;
        sleep_ms_real(5);
    }
    EXPECT_GT(moves, 5u);
    ASSERT_EQ(buffer->stop(), PLATFORM_OK);
    const uint32_t stopped_at = cursor(buffer);
    sleep_ms_real(100);
    EXPECT_EQ(cursor(buffer), stopped_at);
    buffer->release();

    const std::vector<uint8_t> bytes = heard_bytes();
    size_t start = 0;
    while (start < bytes.size() && bytes[start] == 0) {
        ++start;
    }
    ASSERT_GT(bytes.size(), start + 40000) << "less than a pass was heard";
    int wrong = 0;
    for (uint32_t i = 0; i < 40000; ++i) {
        wrong += bytes[start + i] != tone_byte(i % 32768);
    }
    EXPECT_EQ(wrong, 0);
}

TEST_F(SdlSound, LockAcrossTheEndComesInTwoRegions) {
    SoundBuffer* buffer = stream(32768, 22050);
    void* first = nullptr;
    void* second = nullptr;
    uint32_t first_bytes = 0;
    uint32_t second_bytes = 0;
    ASSERT_EQ(buffer->lock(30000, 3768, &first, &first_bytes, &second, &second_bytes, 0),
              PLATFORM_OK);
    EXPECT_EQ(first_bytes, 2768u);
    EXPECT_EQ(second_bytes, 1000u);
    EXPECT_NE(second, nullptr);
    // A second lock before the unlock is refused rather than deadlocking.
    void* again = nullptr;
    uint32_t again_bytes = 0;
    EXPECT_NE(buffer->lock(0, 4, &again, &again_bytes, nullptr, nullptr, 0), PLATFORM_OK);
    EXPECT_EQ(buffer->unlock(first, first_bytes, second, second_bytes), PLATFORM_OK);
    EXPECT_NE(buffer->unlock(first, first_bytes, second, second_bytes), PLATFORM_OK);
    EXPECT_NE(buffer->lock(32768, 4, &first, &first_bytes, nullptr, nullptr, 0), PLATFORM_OK);
    EXPECT_NE(buffer->lock(0, 0, &first, &first_bytes, nullptr, nullptr, 0), PLATFORM_OK);
    buffer->release();
}

TEST_F(SdlSound, MutedBufferPlaysSilenceWhileItsCursorMoves) {
    backend->set_muted(true);
    SoundBuffer* buffer = stream(8192, 22050);
    void* first = nullptr;
    uint32_t first_bytes = 0;
    ASSERT_EQ(buffer->lock(0, 8192, &first, &first_bytes, nullptr, nullptr, 0), PLATFORM_OK);
    std::fill_n(static_cast<uint8_t*>(first), 8192, 0x55);
    buffer->unlock(first, first_bytes, nullptr, 0);
    buffer->play(0, 0, SOUND_PLAY_LOOPING);
    bool moved = false;
    for (int look = 0; look < 30 && !moved; ++look) {
        sleep_ms_real(10);
        moved = cursor(buffer) != 0;
    }
    EXPECT_TRUE(moved);
    buffer->release();
    for (const uint8_t byte : heard_bytes()) {
        ASSERT_EQ(byte, 0);
    }
}

TEST(SdlSoundMissing, NoAudioDriverMeansNoSoundDevice) {
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    SdlBackend backend;
    SoundDevice* device = nullptr;
    EXPECT_NE(backend.create_sound(&device), PLATFORM_OK);
    EXPECT_EQ(device, nullptr);
    SdlBackend without_sound(false);
    EXPECT_NE(without_sound.create_sound(&device), PLATFORM_OK);
    setenv("SDL_AUDIODRIVER", "disk", 1);
}

}  // namespace qx
