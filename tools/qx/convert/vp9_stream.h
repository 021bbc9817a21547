#pragma once
#include <vpx/vpx_encoder.h>

#include <cstdint>
#include <functional>
#include <string>

#include "tools/qx/picture_planes.h"

namespace qx {

// libvpx's VP9 encoder over planar pictures with millisecond time stamps, set for speed: a
// 320 x 240 movie converts at many times its own pace and a 1080p one at its pace on two cores
// (bench/convert_bench.cpp).
struct Vp9Settings {
    int32_t width = 0;
    int32_t height = 0;
    bool lossless = false;  // profile 1: 4:4:4 G, B, R planes, coded without loss
    int quality = 75;       // 0 to 100
    int threads = 1;
    int keyframe_every = 30;  // frames at most between key frames, for seeking
};

class Vp9Stream {
  public:
    // A coded frame: its bytes, time stamp and whether decoding can start there.
    using PacketSink =
        std::function<void(const uint8_t* data, size_t bytes, int64_t time_ms, bool key)>;

    Vp9Stream() = default;
    ~Vp9Stream();
    Vp9Stream(const Vp9Stream&) = delete;
    Vp9Stream& operator=(const Vp9Stream&) = delete;

    bool open(const Vp9Settings& settings, std::string& error);
    bool encode(const PlanarPicture& picture, int64_t time_ms, int64_t duration_ms,
                const PacketSink& sink, std::string& error);
    // Hands out the frames the encoder still holds.
    bool flush(const PacketSink& sink, std::string& error);

  private:
    bool drain(const vpx_image_t* image, int64_t time_ms, int64_t duration_ms,
               const PacketSink& sink, std::string& error);

    vpx_codec_ctx_t codec_{};
    bool open_ = false;
};

}  // namespace qx
