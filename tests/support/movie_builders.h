#pragma once
#include <cstdint>
#include <vector>

#include "authoring/movie_writer.h"

namespace qx {

// A video payload of `bytes` bytes whose first four hold a 16-bit width and height, as every
// video header starts.
std::vector<uint8_t> video_payload(uint32_t bytes, uint16_t width = 16, uint16_t height = 16);
// A PCM audio data payload of `frames` silent mono sample frames.
std::vector<uint8_t> pcm_payload(uint32_t frames);
// A movie of `frames` Mnb chunks (tag "pBNM") of `bytes` bytes each, without audio.
MovieWriter video_only_movie(int frames, uint32_t bytes = 64);
// A movie with an audio header (mono PCM, 22,050 Hz), then `frames` times one Mnb chunk and one
// audio chunk of `audio_frames` sample frames.
MovieWriter audio_video_movie(int frames, uint32_t audio_frames = 882);

}  // namespace qx
