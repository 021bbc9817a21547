#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "platform/soft/soft_backend.h"

namespace qx {

namespace {

// One object of every kind, so that each fault switch has a call to trip it.
struct SoftWorld {
    SoftWorld() : soft(config()) {
        soft.create_display(&display);
        SurfaceDesc desc;
        desc.flags = SURFACE_DESC_CAPS;
        desc.caps = SURFACE_PRIMARY;
        display->create_surface(desc, &primary);
        display->create_palette(PALETTE_8BIT | PALETTE_ALLOW_256, entries.data(), &palette);
        soft.create_sound(&sound);
        SoundBufferDesc primary_desc;
        primary_desc.flags = SOUND_BUFFER_PRIMARY;
        sound->create_sound_buffer(primary_desc, &primary_buffer);
        sound->create_sound_buffer(stream_desc(), &stream);
    }

    ~SoftWorld() {
        sound->release();
        display->release();
    }

    static SoftBackendConfig config() {
        SoftBackendConfig made;
        made.pixel_format = SOFT_PIXELS_INDEXED8;
        return made;
    }

    SoundBufferDesc stream_desc() const {
        SoundBufferDesc desc;
        desc.flags = SOUND_BUFFER_CTRL_DEFAULT | SOUND_BUFFER_GET_CURRENT_POSITION2;
        desc.buffer_bytes = 4096;
        desc.format = &format;
        return desc;
    }

    SoftBackend soft;
    Display* display = nullptr;
    DisplaySurface* primary = nullptr;
    DisplayPalette* palette = nullptr;
    SoundDevice* sound = nullptr;
    SoundBuffer* primary_buffer = nullptr;
    SoundBuffer* stream = nullptr;
    std::array<PaletteEntry, 256> entries{};
    WaveFormat format{WAVE_FORMAT_PCM, 2, 22050, 88200, 4, 16, 0};
};

struct FaultCase {
    std::string name;
    SoftFault SoftFaults::*fault;
    std::function<PlatformResult(SoftWorld&)> call;
};

// Each call releases what it made, so it can be repeated.
template <typename Object>
PlatformResult made_and_released(PlatformResult result, Object* object) {
    if (object != nullptr) {
        object->release();
    }
    return result;
}

std::vector<FaultCase> fault_cases() {
    return {
        {"display_create", &SoftFaults::display_create,
         [](SoftWorld& w) {
             Display* display = nullptr;
             const PlatformResult result = w.soft.create_display(&display);
             return made_and_released(result, display);
         }},
        {"display_cooperative_level", &SoftFaults::display_cooperative_level,
         [](SoftWorld& w) { return w.display->set_cooperative_level(nullptr, 0x51); }},
        {"display_mode", &SoftFaults::display_mode,
         [](SoftWorld& w) { return w.display->set_display_mode(640, 480, 8); }},
        {"surface_create", &SoftFaults::surface_create,
         [](SoftWorld& w) {
             SurfaceDesc desc;
             desc.flags = SURFACE_DESC_CAPS | SURFACE_DESC_WIDTH | SURFACE_DESC_HEIGHT;
             desc.width = 16;
             desc.height = 16;
             desc.caps = SURFACE_OFFSCREEN_PLAIN;
             DisplaySurface* surface = nullptr;
             const PlatformResult result = w.display->create_surface(desc, &surface);
             return made_and_released(result, surface);
         }},
        {"surface_desc", &SoftFaults::surface_desc,
         [](SoftWorld& w) {
             SurfaceDesc desc;
             return w.primary->get_surface_desc(desc);
         }},
        {"pixel_format", &SoftFaults::pixel_format,
         [](SoftWorld& w) {
             PixelFormat format;
             return w.primary->get_pixel_format(format);
         }},
        {"surface_lock", &SoftFaults::surface_lock,
         [](SoftWorld& w) {
             SurfaceDesc desc;
             const PlatformResult result = w.primary->lock(nullptr, desc, LOCK_WAIT);
             if (result == PLATFORM_OK) {
                 w.primary->unlock(nullptr);
             }
             return result;
         }},
        {"surface_unlock", &SoftFaults::surface_unlock,
         [](SoftWorld& w) {
             SurfaceDesc desc;
             w.primary->lock(nullptr, desc, LOCK_WAIT);  // busy when the last unlock failed
             return w.primary->unlock(nullptr);
         }},
        {"surface_restore", &SoftFaults::surface_restore,
         [](SoftWorld& w) { return w.primary->restore(); }},
        {"blt", &SoftFaults::blt,
         [](SoftWorld& w) {
             const BltEffects effects{8, 7};
             return w.primary->blt(nullptr, nullptr, nullptr, BLT_COLOUR_FILL, &effects);
         }},
        {"palette_create", &SoftFaults::palette_create,
         [](SoftWorld& w) {
             DisplayPalette* palette = nullptr;
             const PlatformResult result =
                 w.display->create_palette(PALETTE_8BIT, w.entries.data(), &palette);
             return made_and_released(result, palette);
         }},
        {"palette_set_entries", &SoftFaults::palette_set_entries,
         [](SoftWorld& w) { return w.palette->set_entries(0, 0, 256, w.entries.data()); }},
        {"set_palette", &SoftFaults::set_palette,
         [](SoftWorld& w) { return w.primary->set_palette(w.palette); }},
        {"vertical_blank", &SoftFaults::vertical_blank,
         [](SoftWorld& w) { return w.display->wait_for_vertical_blank(1); }},
        {"sound_create", &SoftFaults::sound_create,
         [](SoftWorld& w) {
             SoundDevice* device = nullptr;
             const PlatformResult result = w.soft.create_sound(&device);
             return made_and_released(result, device);
         }},
        {"sound_cooperative_level", &SoftFaults::sound_cooperative_level,
         [](SoftWorld& w) {
             return w.sound->set_cooperative_level(nullptr, SOUND_COOPERATIVE_PRIORITY);
         }},
        {"sound_caps", &SoftFaults::sound_caps,
         [](SoftWorld& w) {
             SoundCaps caps;
             return w.sound->get_caps(caps);
         }},
        {"primary_buffer_create", &SoftFaults::primary_buffer_create,
         [](SoftWorld& w) {
             SoundBufferDesc desc;
             desc.flags = SOUND_BUFFER_PRIMARY;
             SoundBuffer* buffer = nullptr;
             const PlatformResult result = w.sound->create_sound_buffer(desc, &buffer);
             return made_and_released(result, buffer);
         }},
        {"primary_set_format", &SoftFaults::primary_set_format,
         [](SoftWorld& w) { return w.primary_buffer->set_format(w.format); }},
        {"primary_get_caps", &SoftFaults::primary_get_caps,
         [](SoftWorld& w) {
             SoundBufferCaps caps;
             return w.primary_buffer->get_caps(caps);
         }},
        {"secondary_buffer_create", &SoftFaults::secondary_buffer_create,
         [](SoftWorld& w) {
             SoundBuffer* buffer = nullptr;
             const PlatformResult result = w.sound->create_sound_buffer(w.stream_desc(), &buffer);
             return made_and_released(result, buffer);
         }},
        {"secondary_get_caps", &SoftFaults::secondary_get_caps,
         [](SoftWorld& w) {
             SoundBufferCaps caps;
             return w.stream->get_caps(caps);
         }},
        {"set_frequency", &SoftFaults::set_frequency,
         [](SoftWorld& w) { return w.stream->set_frequency(44100); }},
        {"play", &SoftFaults::play,
         [](SoftWorld& w) { return w.stream->play(0, 0, SOUND_PLAY_LOOPING); }},
        {"current_position", &SoftFaults::current_position,
         [](SoftWorld& w) {
             uint32_t play = 0;
             uint32_t write = 0;
             return w.stream->get_current_position(&play, &write);
         }},
        {"buffer_lock", &SoftFaults::buffer_lock,
         [](SoftWorld& w) {
             void* first = nullptr;
             void* second = nullptr;
             uint32_t first_bytes = 0;
             uint32_t second_bytes = 0;
             const PlatformResult result =
                 w.stream->lock(0, 64, &first, &first_bytes, &second, &second_bytes, 0);
             if (result == PLATFORM_OK) {
                 w.stream->unlock(first, first_bytes, second, second_bytes);
             }
             return result;
         }},
    };
}

TEST(SoftBackendFaults, EverySwitchFailsItsCallTheGivenNumberOfTimes) {
    for (const FaultCase& fault_case : fault_cases()) {
        SCOPED_TRACE(fault_case.name);
        SoftWorld world;
        SoftFault& fault = world.soft.faults().*fault_case.fault;
        ASSERT_EQ(fault_case.call(world), PLATFORM_OK);
        fault = 2;
        EXPECT_EQ(fault_case.call(world), PLATFORM_FAILED);
        EXPECT_EQ(fault_case.call(world), PLATFORM_FAILED);
        EXPECT_EQ(fault_case.call(world), PLATFORM_OK);
        fault = SOFT_FAULT_ALWAYS;
        for (int attempt = 0; attempt < 3; ++attempt) {
            EXPECT_EQ(fault_case.call(world), PLATFORM_FAILED);
        }
        fault = 0;
        EXPECT_EQ(fault_case.call(world), PLATFORM_OK);
    }
}

TEST(SoftBackendFaults, ResetTurnsEverySwitchOff) {
    SoftWorld world;
    const std::vector<FaultCase> cases = fault_cases();
    for (const FaultCase& fault_case : cases) {
        world.soft.faults().*fault_case.fault = SOFT_FAULT_ALWAYS;
    }
    world.soft.faults().surface_lost_on_lock = SOFT_FAULT_ALWAYS;
    world.soft.faults().reset();
    for (const FaultCase& fault_case : cases) {
        EXPECT_EQ(fault_case.call(world), PLATFORM_OK) << fault_case.name;
    }
    EXPECT_EQ(world.soft.faults().surface_lost_on_lock.load(), 0);
}

TEST(SoftBackendFaults, FailedCreationsLeaveNothingBehind) {
    SoftWorld world;
    SoftFaults& faults = world.soft.faults();
    faults.display_create = SOFT_FAULT_ALWAYS;
    faults.sound_create = SOFT_FAULT_ALWAYS;
    faults.surface_create = SOFT_FAULT_ALWAYS;
    faults.secondary_buffer_create = SOFT_FAULT_ALWAYS;
    const SoftCounters before = world.soft.counters();
    Display* display = world.display;
    SoundDevice* device = world.sound;
    EXPECT_EQ(world.soft.create_display(&display), PLATFORM_FAILED);
    EXPECT_EQ(display, nullptr);
    EXPECT_EQ(world.soft.create_sound(&device), PLATFORM_FAILED);
    EXPECT_EQ(device, nullptr);
    SoundBuffer* buffer = world.stream;
    EXPECT_EQ(world.sound->create_sound_buffer(world.stream_desc(), &buffer), PLATFORM_FAILED);
    EXPECT_EQ(buffer, nullptr);
    const SoftCounters after = world.soft.counters();
    EXPECT_EQ(after.live_displays, before.live_displays);
    EXPECT_EQ(after.live_sound_devices, before.live_sound_devices);
    EXPECT_EQ(after.live_sound_buffers, before.live_sound_buffers);
}

TEST(SoftBackendFaults, BackendsAreInstalledForTheirLifetime) {
    PlatformBackend* before = platform_installed_backend();
    {
        ScopedSoftBackend soft;
        EXPECT_EQ(platform_installed_backend(), &soft);
        soft.faults().display_create = 1;
        Display* display = nullptr;
        EXPECT_EQ(display_create(&display), PLATFORM_FAILED);
        ASSERT_EQ(display_create(&display), PLATFORM_OK);
        display->release();
        SoundDevice* device = nullptr;
        ASSERT_EQ(sound_create(&device), PLATFORM_OK);
        device->release();
        EXPECT_EQ(soft.counters().live_sound_devices, 0);
    }
    EXPECT_EQ(platform_installed_backend(), before);
}

}  // namespace

}  // namespace qx
