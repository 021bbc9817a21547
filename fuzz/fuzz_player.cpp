// Any bytes as a whole movie, played through player_start on the soft backend, faster than
// real time, with a display and a sound device, and sought to frames its last bytes name:
// playback must reach CLOSED within the time its own sound and pictures can take, played once
// more for every seek. A movie that never ends is a crash here.
#include <sys/mman.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "audio/audio_chunk.h"
#include "audio/media_clock.h"
#include "audio/stream_feeder.h"
#include "fuzz/chunk_mutator.h"
#include "platform/file.h"
#include "platform/kernel.h"
#include "platform/platform_clock.h"
#include "platform/soft/soft_backend.h"
#include "player/player.h"
#include "player/player_stream.h"
#include "player/reader.h"

namespace qx {

namespace {

constexpr double TIME_SCALE = 100.0;
// Longer movies are legitimate but too slow to be worth playing here.
constexpr double LONGEST_MOVIE_SECONDS = 60.0;
// Start-up, the last blocks playing out of the buffer and a scheduler that runs us late.
constexpr double SLACK_SECONDS = 8.0;
// Seeks made as the movie starts, each to the frame one of the input's last bytes names.
constexpr size_t SEEKS = 3;

// QX_TIME_SLACK stretches the limit for runs starved of the processor on purpose (a campaign
// at the lowest priority on a busy machine, or a slower sanitizer), so that only a movie that
// never ends is reported.
double time_slack() {
    const char* text = std::getenv("QX_TIME_SLACK");
    const double slack = text != nullptr ? std::atof(text) : 1.0;
    return slack >= 1.0 ? slack : 1.0;
}

// Seconds the movie's sound and pictures can take at most: every decoded block at the slowest
// pace the player gives it, every picture a tick of the clock after the sound ran out.
double longest_playing_seconds(const std::string& path) {
    PlayParams params{};
    PlayerContext* context = player_open_stream(path.c_str(), nullptr, params);
    if (context == nullptr) {
        return 0;
    }
    double seconds = 0;
    int32_t position = -1;
    for (int chunk = 0; chunk < 1000000; ++chunk) {
        const int32_t result = read_chunk(*context);
        while (context->reader.audio_ring.queued > 0) {
            AudioBlockSlot& slot = ring_front(context->reader.audio_ring);
            seconds +=
                static_cast<double>(slot.bytes) / silent_byte_rate(context->sound.sample_rate);
            release_audio_slot(*context);
        }
        while (context->reader.video_ring.queued > 0) {
            release_video_slot(*context);
            seconds += CLOCK_TICK_MS / 1000.0;
        }
        const int32_t next = file_seek(params.file, 0, FILE_SEEK_CUR);
        if (result == READ_END && next == position) {
            break;
        }
        position = next;
    }
    player_close_stream(context);
    return seconds;
}

// Nothing reads the backend's logs back here, and kept for every movie of a campaign they
// would fill the memory.
SoftBackendConfig unlogged() {
    SoftBackendConfig config;
    config.heard_log_limit = 0;
    config.blt_log_limit = 0;
    return config;
}

// The soft backend with a 640 x 480 display and a sound device, for the process's lifetime.
struct Stage {
    Stage() {
        platform_clock_set_scale(TIME_SCALE);
        display_create(&display);
        SurfaceDesc desc;
        desc.flags = SURFACE_DESC_CAPS;
        desc.caps = SURFACE_PRIMARY;
        display->create_surface(desc, &primary);
    }
    ScopedSoftBackend backend{unlogged()};
    Display* display = nullptr;
    DisplaySurface* primary = nullptr;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Stage stage;
    const int descriptor = memfd_create("movie", 0);
    if (descriptor < 0 || write(descriptor, data, size) != static_cast<ssize_t>(size)) {
        return 0;
    }
    const std::string path = "/proc/self/fd/" + std::to_string(descriptor);
    const double movie_seconds = longest_playing_seconds(path);
    if (movie_seconds <= LONGEST_MOVIE_SECONDS) {
        PlayParams params{};
        params.flags = PLAY_THREAD | PLAY_SOUND | PLAY_CENTRE_X | PLAY_CENTRE_Y;
        params.display = stage.display;
        params.primary_surface = stage.primary;
        params.brightness = 100;
        if (player_start(path.c_str(), nullptr, params) == &params) {
            for (size_t i = 0; i < SEEKS && i < size; ++i) {
                player_seek(params, data[size - 1 - i]);
            }
            const auto limit = std::chrono::duration<double>(
                (((SEEKS + 1) * movie_seconds + SLACK_SECONDS) / TIME_SCALE + SLACK_SECONDS) *
                time_slack());
            const auto start = std::chrono::steady_clock::now();
            while (interlocked_load(params.status) != PLAYER_CLOSED) {
                if (std::chrono::steady_clock::now() - start > limit) {
                    std::fprintf(stderr, "playback did not end within %.1f s (status %d)\n",
                                 limit.count(), interlocked_load(params.status));
                    __builtin_trap();
                }
                sleep_ms(10);
            }
        }
    }
    close(descriptor);
    return 0;
}

}  // namespace qx
