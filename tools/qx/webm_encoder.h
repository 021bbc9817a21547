#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "tools/qx/picture_planes.h"

namespace qx {

// What goes into a WebM file: VP9 pictures of one size and Opus sound, or either alone.
struct WebmSettings {
    int32_t width = 0;  // 0: no video track
    int32_t height = 0;
    bool lossless = false;    // VP9 lossless: pictures come as G, B, R planes
    int quality = 75;         // 0 to 100, as `qx encode` reads it
    int threads = 1;          // encoder threads at most
    double frame_rate = 15;   // the usual pace, which spaces the key frames
    int32_t sample_rate = 0;  // of the stereo sound handed in; 0: no audio track
};

// Encodes pictures and sound as they come and writes them, interleaved by time, to a WebM file
// with a duration, cues on the key frames and the colour of its pictures stated.
class WebmEncoder {
  public:
    virtual ~WebmEncoder() = default;
    // A picture shown from `time_ms` for `duration_ms`, in the planes the settings ask for.
    virtual bool add_picture(const PlanarPicture& picture, int64_t time_ms, int64_t duration_ms,
                             std::string& error) = 0;
    // Interleaved stereo samples at the settings' rate, following those given before; the
    // first is heard at time 0.
    virtual bool add_sound(const int16_t* stereo, size_t frames, std::string& error) = 0;
    // Drains the encoders and completes the file, which lasts `duration_ms`.
    virtual bool finish(int64_t duration_ms, std::string& error) = 0;
};

// Writes to the open file `fd` (kept open; the caller names and closes it). Null, with the
// reason in `error`, when the encoders cannot start or the conversion module cannot be loaded.
std::unique_ptr<WebmEncoder> open_webm_encoder(int fd, const WebmSettings& settings,
                                               std::string& error);
// The same as the conversion module hands it out: owned by the caller.
extern "C" WebmEncoder* qx_open_webm_encoder(int fd, const WebmSettings& settings,
                                             std::string& error);

}  // namespace qx
