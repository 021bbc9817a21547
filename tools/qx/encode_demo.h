#pragma once
#include <cstdint>
#include <memory>

#include "tools/qx/encode_frames.h"
#include "tools/qx/encode_sound.h"

namespace qx {

// The demo movie: a scene drifting on a slow figure of eight, with a short tune in stereo.
inline constexpr int32_t DEMO_WIDTH = 320;
inline constexpr int32_t DEMO_HEIGHT = 240;
inline constexpr double DEMO_FPS = 15;
inline constexpr int64_t DEMO_FRAMES = 240;  // 16 s
inline constexpr int32_t DEMO_SAMPLE_RATE = 22050;

std::unique_ptr<FrameSource> make_demo_frames(int64_t frames);

// The tune, stereo 16-bit at `sample_rate`, exactly the same every time.
SoundTrack demo_sound(int32_t sample_rate, double seconds);

}  // namespace qx
