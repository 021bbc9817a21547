// Plays every movie named on the command line at the same time, each on a thread and a soft
// display of its own (5-6-5, no doubling, brightness 100), and prints one line per movie once
// all have ended: its path, the frames shown and the SHA-256 of its last picture as the decoder
// packed it (the bytes `qx export --raw` writes for that frame).
#include <openssl/evp.h>

#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "platform/soft/soft_backend.h"
#include "player/player.h"
#include "player/player_context.h"

namespace {

struct Movie {
    const char* path;
    PlayParams params{};
    std::vector<uint8_t> last_picture;
};

// The frame callback takes no argument: each movie plays on its own thread, which finds its
// movie here.
thread_local Movie* playing = nullptr;

int keep_picture() {
    const PlayerContext& context = *playing->params.context;
    if (context.video.packed_draw != nullptr) {
        const size_t bytes =
            size_t(context.video.frame_width) * size_t(context.video.frame_height) * 2;
        playing->last_picture.assign(context.video.packed_draw, context.video.packed_draw + bytes);
    }
    return 0;
}

// Plays the movie through on the calling thread.
void play(Movie& movie) {
    Display* display = nullptr;
    if (display_create(&display) != PLATFORM_OK) {
        return;
    }
    SurfaceDesc desc;
    desc.flags = SURFACE_DESC_CAPS;
    desc.caps = SURFACE_PRIMARY;
    DisplaySurface* primary = nullptr;
    if (display->create_surface(desc, &primary) == PLATFORM_OK) {
        movie.params.flags = PLAY_CALLBACK;
        movie.params.display = display;
        movie.params.primary_surface = primary;
        movie.params.brightness = 100;
        movie.params.frame_callback = keep_picture;
        playing = &movie;
        player_start(movie.path, nullptr, movie.params);
        primary->release();
    }
    display->release();
}

std::string sha256_hex(const std::vector<uint8_t>& bytes) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha256(), nullptr);
    std::string hex;
    for (unsigned int i = 0; i < length; ++i) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02x", digest[i]);
        hex += pair;
    }
    return hex;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: play_headless MOVIE...\n");
        return 2;
    }
    ScopedSoftBackend backend;  // 5-6-5 displays
    std::vector<Movie> movies(size_t(argc) - 1);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < movies.size(); ++i) {
        movies[i].path = argv[i + 1];
        threads.emplace_back(play, std::ref(movies[i]));
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    int status = 0;
    for (const Movie& movie : movies) {
        if (movie.params.status != PLAYER_CLOSED) {
            std::printf("%s: cannot be played\n", movie.path);
            status = 1;
            continue;
        }
        std::printf("%s: %d frames, last %s\n", movie.path, movie.params.frames_shown,
                    sha256_hex(movie.last_picture).c_str());
    }
    return status;
}
