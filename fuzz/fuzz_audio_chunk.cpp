// The audio chunk decoder through the player's reader: the first input byte picks the format
// (channels and compression), the rest is the movie that follows an audio header.
#include <unistd.h>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "authoring/movie_writer.h"
#include "platform/kernel.h"
#include "player/player_stream.h"
#include "player/reader.h"

namespace qx {

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) {
        return 0;
    }
    static const int32_t compressions[] = {0, 7, 10, 3};
    MovieWriter movie;
    movie.audio_header(data[0] & 1 ? 2 : 1, 22050, compressions[(data[0] >> 1) & 3]);
    movie.raw(std::span<const uint8_t>(data + 1, size - 1));
    static const std::string path = "/tmp/fuzz_audio_chunk_" + std::to_string(getpid()) + ".qx";
    if (!movie.save(path)) {
        return 0;
    }
    PlayParams params{};
    PlayerContext* context = player_open_stream(path.c_str(), nullptr, params);
    if (context == nullptr) {
        return 0;
    }
    // Every block is consumed at once, as a fast clock would, so the reader never waits.
    for (int chunk = 0; chunk < 256; ++chunk) {
        const int32_t result = read_chunk(*context);
        if (result == READ_END) {
            break;
        }
        if (result == READ_AUDIO) {
            release_audio_slot(*context);
        }
    }
    player_close_stream(context);
    return 0;
}

}  // namespace qx
