#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "format/video_kinds.h"
#include "platform/soft/soft_backend.h"
#include "player/play_params.h"
#include "video/video_output.h"
#include "video/video_payload.h"

namespace qx {

// A movie's video output on a soft display: the stage linked to its PlayParams as the player
// links it, a display of one pixel format with its flipping primary surface and back buffer.
class VideoRig {
  public:
    // Every surface row carries `extra_pitch` bytes beyond its pixels.
    VideoRig(SoftPixelFormat format, uint32_t width, uint32_t height, uint32_t flags = 0,
             uint32_t extra_pitch = 0);
    // Surfaces that describe their pixels as `described`, a format no display offers.
    VideoRig(const PixelFormat& described, uint32_t width, uint32_t height);
    ~VideoRig();
    VideoRig(const VideoRig&) = delete;
    VideoRig& operator=(const VideoRig&) = delete;

    // Blts onto the primary surface, in order.
    std::vector<SoftBltRecord> primary_blts() const;
    // The surfaces the player created, in order (the rig's primary and back buffer left out).
    std::vector<SoftSurfaceRecord> created() const;

    SoftBackend backend;
    PlayParams params{};
    std::unique_ptr<VideoOutput> video;
    Display* display = nullptr;
    DisplaySurface* primary = nullptr;
    DisplaySurface* back = nullptr;

  private:
    explicit VideoRig(const SoftBackendConfig& config, uint32_t flags);
};

// A video payload over `payload` (which must outlive it).
VideoPayload video_payload(int32_t kind, std::vector<uint8_t>& payload);
// The 8-byte Mnb or Zle frame header: width, height, quality, and the flags byte at offset 7.
std::vector<uint8_t> dct_payload(int16_t width, int16_t height, uint8_t quality = 4,
                                 uint8_t frame_flags = 0);
// An Rkd key-frame header with no palette entries and no picture.
std::vector<uint8_t> rkd_key_payload(uint16_t width, uint16_t height);
std::vector<uint8_t> rkd_inter_payload(uint16_t width, uint16_t height);

}  // namespace qx
