#pragma once
#include <cstdint>
#include <vector>

#include "authoring/movie_writer.h"
#include "player/play_params.h"

namespace qx {

// Movies shaped as real ones are: sound that leads or outlasts the pictures, pictures that
// outlast the sound, any sample rate, any of the three video codecs.
struct MovieShape {
    int32_t frames = 90;
    int32_t fps = 15;
    int32_t sample_rate = 22050;
    int32_t video_kind = 3;   // VIDEO_MNB, VIDEO_ZLE or VIDEO_RKD_KEY (Rkd key and inter frames)
    int32_t sound_lead = 0;   // audio chunks before the first picture
    int32_t sound_tail = 0;   // audio chunks after the last picture
    int32_t sound_short = 0;  // last pictures that come without sound
    bool sound = true;
    int32_t audio_compression = 10;  // 0 PCM, 7 XA ADPCM, 10 IMA ADPCM
    // Rkd: a key frame at least this often; Zle: an all-intra frame this often (0: only where
    // the encoders choose one).
    int32_t key_interval = 0;
};

inline constexpr int32_t SHAPED_WIDTH = 64;
inline constexpr int32_t SHAPED_HEIGHT = 32;

struct ShapedMovie {
    MovieWriter writer;
    std::vector<int16_t> decoded;            // 16-bit stereo the player decodes
    std::vector<size_t> audio_chunk_starts;  // where each audio chunk's sound starts in `decoded`
    int32_t sample_rate = 0;
    int32_t copied_macroblocks = 0;  // Zle macroblocks copied from the previous picture

    // Length of the sound in milliseconds.
    int64_t sound_ms() const;
};

// A small square moving over a still background, with a stereo tone of one 1/fps s chunk
// after each picture.
ShapedMovie shaped_movie(const MovieShape& shape);

// A 64-bit FNV-1a hash of a picture's bytes.
uint64_t bytes_hash(const std::vector<uint8_t>& bytes);

// Plays movies into application buffers in 5-6-5, recording the picture every frame leaves
// in the draw buffer (a hash) and the lag it was decoded at.
struct RecordedPlay {
    std::vector<uint64_t> pictures;
    std::vector<int32_t> lags;
    int32_t stall_after_frame = -1;  // the callback sleeps STALL_MS after this frame
    int32_t brightness_after_frame = -1;
    int32_t brightness = 100;
};

inline constexpr uint32_t STALL_MS = 400;

// One at a time: the frame callback takes no argument, so the latest made is the one recorded.
struct AppBufferPlay {
    explicit AppBufferPlay(uint32_t flags);
    AppBufferPlay(const AppBufferPlay&) = delete;
    AppBufferPlay& operator=(const AppBufferPlay&) = delete;
    // Plays the file synchronously (or on the player thread, waiting for CLOSED).
    void play(const char* path);

    std::vector<uint8_t> draw;
    std::vector<uint8_t> reference;
    PlayParams params{};
    RecordedPlay record;
};

}  // namespace qx
