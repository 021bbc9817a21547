// A whole movie played through SDL's disk audio driver, which writes in real time what a
// listener would have heard: it must be the movie's decoded audio.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/sdl/sdl_backend.h"
#include "player/player.h"
#include "tests/end_to_end/test_movie.h"
#include "tests/support/temp_movie.h"

namespace qx {

namespace {

TEST(EndToEndSdlSound, WhatSdlPlaysIsTheDecodedAudio) {
    const TestMovie movie = make_movie();
    TempMovie file(movie.writer);
    const std::string heard_path = file.folder() + "/heard.raw";
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", heard_path.c_str(), 1);
    PlatformBackend* previous = platform_installed_backend();
    {
        SdlBackend backend;
        platform_install_backend(&backend);
        AppBufferPlayer player;
        PlayParams& params = player.params;
        player_start(file.path().c_str(), nullptr, params);
        EXPECT_EQ(params.status, PLAYER_CLOSED);
        EXPECT_EQ(params.frames_shown, FRAMES);
        platform_install_backend(previous);
    }
    std::ifstream heard_file(heard_path, std::ios::binary);
    const std::vector<uint8_t> heard{std::istreambuf_iterator<char>(heard_file), {}};
    const size_t decoded_bytes = movie.decoded.size() * 2;
    // The stream buffer is released after the last block went in, before it played out.
    EXPECT_GE(heard_run(heard, movie.decoded), decoded_bytes - 2 * 32768)
        << "heard " << heard.size() << " bytes of " << decoded_bytes;
}

}  // namespace

}  // namespace qx
