#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <vector>

#include "platform/sdl/sdl_backend.h"
#include "platform/sdl/sdl_window.h"

namespace qx {

// The backend's two meeting points between threads, hammered: Blts from a player thread
// while the main thread presents, and the media clock's locks while SDL's audio thread plays.
namespace {

intptr_t stress_procedure(WindowHandle window, uint32_t message, uintptr_t wparam,
                          intptr_t lparam) {
    return window_default_procedure(window, message, wparam, lparam);
}

}  // namespace

TEST(SdlStress, BltsFromAnotherThreadWhileTheMainThreadPresents) {
    // SDL's own renderer: the GL one brings threads of the GL library whose races are not ours.
    setenv("SDL_RENDER_DRIVER", "software", 1);
    WindowClass window_class;
    window_class.procedure = stress_procedure;
    window_class.name = "qx stress";
    if (!window_register_class(window_class)) {
        GTEST_SKIP() << "no display to open a window on";
    }
    WindowHandle window = window_create(
        "qx stress", "qx stress", WINDOW_STYLE_OVERLAPPED | WINDOW_STYLE_VISIBLE, 0, 0, 320, 240);
    ASSERT_NE(window, nullptr);
    SdlBackend backend(false);
    Display* display = nullptr;
    ASSERT_EQ(backend.create_display(&display), PLATFORM_OK);
    display->set_cooperative_level(window, COOPERATIVE_NORMAL);
    display->set_display_mode(160, 120, 16);
    SurfaceDesc desc;
    desc.flags = SURFACE_DESC_CAPS;
    desc.caps = SURFACE_PRIMARY;
    DisplaySurface* primary = nullptr;
    ASSERT_EQ(display->create_surface(desc, &primary), PLATFORM_OK);

    std::atomic<bool> done{false};
    std::thread player([&] {
        SurfaceDesc frame_desc;
        frame_desc.flags = SURFACE_DESC_CAPS | SURFACE_DESC_WIDTH | SURFACE_DESC_HEIGHT;
        frame_desc.caps = SURFACE_OFFSCREEN_PLAIN;
        frame_desc.width = 80;
        frame_desc.height = 60;
        DisplaySurface* frame = nullptr;
        display->create_surface(frame_desc, &frame);
        for (int picture = 0; picture < 300; ++picture) {
            SurfaceDesc locked;
            frame->lock(nullptr, locked, LOCK_WAIT);
            std::fill_n(static_cast<uint16_t*>(locked.memory), 80 * 60,
                        static_cast<uint16_t>(picture * 2654435761u));
            frame->unlock(locked.memory);
            for (int row = 0; row < 120; row += 2) {
                const DisplayRect source{0, row / 2, 80, row / 2 + 1};
                const DisplayRect dest{0, row, 160, row + 1};
                primary->blt(&dest, frame, &source, BLT_WAIT, nullptr);
            }
        }
        frame->release();
        done = true;
    });
    while (!done) {
        window_sleep_ms(5);
    }
    player.join();
    std::vector<uint32_t> pixels;
    int width = 0;
    int height = 0;
    window_sleep_ms(10);
    EXPECT_TRUE(sdl_window_read_pixels(window, pixels, width, height));
    primary->release();
    display->release();
    window_unregister_class("qx stress");
    unsetenv("SDL_RENDER_DRIVER");
}

TEST(SdlStress, ClockLocksWhileTheAudioThreadPlays) {
    const auto heard = std::filesystem::temp_directory_path() /
                       ("qx_sdl_stress_" + std::to_string(::getpid()) + ".raw");
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", heard.c_str(), 1);
    {
        SdlBackend backend;
        SoundDevice* device = nullptr;
        ASSERT_EQ(backend.create_sound(&device), PLATFORM_OK);
        WaveFormat format{WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16, 0};
        SoundBufferDesc buffer_desc;
        buffer_desc.flags = SOUND_BUFFER_CTRL_DEFAULT | SOUND_BUFFER_GET_CURRENT_POSITION2;
        buffer_desc.buffer_bytes = 8192;
        buffer_desc.format = &format;
        SoundBuffer* buffer = nullptr;
        ASSERT_EQ(device->create_sound_buffer(buffer_desc, &buffer), PLATFORM_OK);
        buffer->play(0, 0, SOUND_PLAY_LOOPING);
        uint32_t write = 0;
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(400);
        int pauses = 0;
        while (std::chrono::steady_clock::now() < until) {
            uint32_t play = 0;
            buffer->get_current_position(&play, nullptr);
            const uint32_t free = play >= write ? play - write : play + 8192 - write;
            if (free > 0) {
                void* first = nullptr;
                void* second = nullptr;
                uint32_t first_bytes = 0;
                uint32_t second_bytes = 0;
                if (buffer->lock(write, free, &first, &first_bytes, &second, &second_bytes, 0) ==
                    PLATFORM_OK) {
                    std::fill_n(static_cast<uint8_t*>(first), first_bytes, 0x11);
                    if (second) {
                        std::fill_n(static_cast<uint8_t*>(second), second_bytes, 0x11);
                    }
                    buffer->unlock(first, first_bytes, second, second_bytes);
                }
                write = (write + free) % 8192;
            }
            if (++pauses % 50 == 0) {
                buffer->stop();
                buffer->play(0, 0, SOUND_PLAY_LOOPING);
            }
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
        buffer->release();
        device->release();
    }
    std::filesystem::remove(heard);
}

}  // namespace qx
