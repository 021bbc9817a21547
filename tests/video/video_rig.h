#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "player/player_context.h"
#include "tests/video/fake_display.h"

// A movie's video output on fake display objects: a context linked to its PlayParams, a
// display of one pixel format with its primary and back surfaces.
class VideoRig {
  public:
    VideoRig(const PixelFormat& format, uint32_t width, uint32_t height, uint32_t flags = 0,
             int32_t extra_pitch = 0);
    ~VideoRig();
    VideoRig(const VideoRig&) = delete;
    VideoRig& operator=(const VideoRig&) = delete;

    FakeSurface& draw() { return *static_cast<FakeSurface*>(params.draw_surface); }

    PlayParams params{};
    std::unique_ptr<PlayerContext> context;
    FakeDisplay* display;
    FakeSurface* primary;
    FakeSurface* back;
};

// A video slot over `payload` (which must outlive it).
VideoFrameSlot video_slot(int32_t kind, std::vector<uint8_t>& payload);
// The 8-byte Mnb or Zle frame header: width, height, quality, and the flags byte at offset 7.
std::vector<uint8_t> dct_payload(int16_t width, int16_t height, uint8_t quality = 4,
                                 uint8_t frame_flags = 0);
// An Rkd key-frame header with no palette entries and no picture.
std::vector<uint8_t> rkd_key_payload(uint16_t width, uint16_t height);
std::vector<uint8_t> rkd_inter_payload(uint16_t width, uint16_t height);
