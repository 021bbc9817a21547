#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "format/video_kinds.h"
#include "player/display_params.h"
#include "video/display_setup.h"
#include "video/frame_dispatch.h"

namespace qx {

namespace {

// A display with no service behind it: memory surfaces whose rows carry some padding, so the
// packed picture is copied row by row as on a driver with a wide pitch.
class MemorySurface : public DisplaySurface {
  public:
    MemorySurface(uint32_t width, uint32_t height, int32_t pitch)
        : width_(width), height_(height), pitch_(pitch), memory_(size_t(pitch) * height) {}
    PlatformResult get_surface_desc(SurfaceDesc& desc) override {
        desc.width = width_;
        desc.height = height_;
        desc.pitch = pitch_;
        desc.pixel_format.rgb_bit_count = 16;
        return PLATFORM_OK;
    }
    PlatformResult get_pixel_format(PixelFormat& format) override {
        format.rgb_bit_count = 16;
        format.red_mask = 0xF800;
        format.green_mask = 0x07E0;
        format.blue_mask = 0x001F;
        return PLATFORM_OK;
    }
    PlatformResult get_attached_surface(uint32_t, DisplaySurface**) override {
        return PLATFORM_FAILED;
    }
    PlatformResult lock(const DisplayRect*, SurfaceDesc& desc, uint32_t) override {
        get_surface_desc(desc);
        desc.memory = memory_.data();
        return PLATFORM_OK;
    }
    PlatformResult unlock(void*) override { return PLATFORM_OK; }
    PlatformResult restore() override { return PLATFORM_OK; }
    PlatformResult blt(const DisplayRect*, DisplaySurface*, const DisplayRect*, uint32_t,
                       const BltEffects*) override {
        return PLATFORM_OK;
    }
    PlatformResult set_palette(DisplayPalette*) override { return PLATFORM_OK; }

  private:
    uint32_t width_;
    uint32_t height_;
    int32_t pitch_;
    std::vector<uint8_t> memory_;
};

class MemoryDisplay : public Display {
  public:
    explicit MemoryDisplay(int32_t extra_pitch) : extra_pitch_(extra_pitch) {}
    PlatformResult set_cooperative_level(WindowHandle, uint32_t) override { return PLATFORM_OK; }
    PlatformResult set_display_mode(uint32_t, uint32_t, uint32_t) override { return PLATFORM_OK; }
    PlatformResult restore_display_mode() override { return PLATFORM_OK; }
    PlatformResult create_surface(const SurfaceDesc& desc, DisplaySurface** surface) override {
        *surface = new MemorySurface(desc.width, desc.height,
                                     static_cast<int32_t>(desc.width) * 2 + extra_pitch_);
        return PLATFORM_OK;
    }
    PlatformResult create_palette(uint32_t, const PaletteEntry*, DisplayPalette**) override {
        return PLATFORM_FAILED;
    }
    PlatformResult wait_for_vertical_blank(uint32_t) override { return PLATFORM_OK; }

  private:
    int32_t extra_pitch_;
};

// Dispatch, surface copy and presentation of a 320 x 240 frame doubled to 640 x 480, without
// the decoding itself: the overhead the video output adds to every frame.
void BM_VideoFrameOverhead(benchmark::State& state) {
    auto* display = new MemoryDisplay(static_cast<int32_t>(state.range(0)));
    auto* primary = new MemorySurface(640, 480, 1280);
    PlayParams params{};
    params.flags = PLAY_CENTRE_X | PLAY_CENTRE_Y | PLAY_DOUBLE_WIDTH | PLAY_SCANLINES;
    params.display = display;
    params.primary_surface = primary;
    auto video = std::make_unique<VideoOutput>();
    video->target = display_target_of(params);
    setup_display(*video);
    uint8_t header[8] = {0x40, 0x01, 0xF0, 0x00, 4, 0, 0, 0};
    const VideoPayload unknown{99, header, sizeof header};
    // The first real frame sets the size; the unknown kind then only copies and presents.
    decode_video_frame(*video, VideoPayload{VIDEO_MNB, header, sizeof header});
    for (auto _ : state) {
        decode_video_frame(*video, unknown);
        present_frame(*video);
        swap_work_surfaces(*video);
    }
    state.SetBytesProcessed(state.iterations() * 640 * 240 * 2);
    release_display(*video);
    primary->release();
    display->release();
}
BENCHMARK(BM_VideoFrameOverhead)->Arg(0)->Arg(64);

}  // namespace

}  // namespace qx
