#pragma once
#include <cstdint>
#include <vector>

#include "authoring/movie_writer.h"
#include "player/play_params.h"

namespace qx {

inline constexpr int FRAMES = 30;
inline constexpr int FPS = 15;
inline constexpr int RATE = 22050;

struct TestMovie {
    MovieWriter writer;
    std::vector<int16_t> decoded;  // 16-bit stereo the player will decode
};

// A 64 x 48 moving gradient (Mnb) with a stereo tone (IMA), one audio chunk of 1/FPS s after
// each frame.
TestMovie make_movie(int frames = FRAMES);

// The longest run of `decoded` found in `heard` when the two are aligned at some offset of
// `heard` (a sound buffer starts with the silence it was created with).
size_t heard_run(const std::vector<uint8_t>& heard, const std::vector<int16_t>& decoded);

// Parameters for playing a movie made by make_movie with sound, decoded into application
// buffers in 5-6-5: no display is needed.
struct AppBufferPlayer {
    AppBufferPlayer();
    std::vector<uint8_t> draw;
    std::vector<uint8_t> reference;
    PlayParams params{};
};

}  // namespace qx
