#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "authoring/movie_writer.h"
#include "tools/qx/encode_frames.h"
#include "tools/qx/encode_sound.h"
#include "tools/qx/encode_video.h"

namespace qx {

struct EncodeSettings {
    VideoFormat video = VideoFormat::Mnb;
    int32_t quality = 75;
    double fps = 15;
    int32_t compression = 10;  // audio compression: 0 PCM, 7 XA, 10 IMA
    int64_t frame_limit = 0;   // 0: every picture of the input
};

struct EncodeSummary {
    int64_t frames = 0;
    int64_t audio_chunks = 0;
    int64_t video_bytes = 0;
    int64_t audio_bytes = 0;
    double psnr = 0;
    double worst_psnr = 0;
    int64_t worst_frame = 0;  // counted from 0
    // Frames shown below POOR_FRAME_PSNR: their number (from 0) and PSNR, in order.
    std::vector<std::pair<int64_t, double>> poor_frames;
};

// Below this a frame has visibly lost colours or detail.
inline constexpr double POOR_FRAME_PSNR = 25;

// Writes the movie into `movie`: the audio header, then each frame's video chunk followed by
// the audio chunk that carries the frame's 1/fps s of sound (sound past the last picture in
// chunks of its own, a sound shorter than the pictures padded with silence), then the end
// chunk. Without `sound` the movie has no audio track. `progress` hears the
// number of frames done. False, with the reason in `error`, when an input picture cannot be
// read or encoded; `movie` is then incomplete and must not be saved.
bool encode_movie(FrameSource& frames, const SoundTrack* sound, const EncodeSettings& settings,
                  MovieWriter& movie, EncodeSummary& summary, std::string& error,
                  const std::function<void(int64_t)>& progress = {});

}  // namespace qx
