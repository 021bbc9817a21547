// Any bytes as a movie file, read chunk by chunk the way the player reads it: every chunk is
// queued, decoded or skipped without touching memory outside the reader's buffers.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "fuzz/chunk_mutator.h"
#include "platform/file.h"
#include "player/player_stream.h"
#include "player/reader.h"

namespace qx {

namespace {

void consume_queued(PlayerContext& context) {
    while (context.reader.video_ring.queued > 0) {
        release_video_slot(context);
    }
    while (context.reader.audio_ring.queued > 0) {
        release_audio_slot(context);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const int descriptor = memfd_create("movie", 0);
    if (descriptor < 0 || write(descriptor, data, size) != static_cast<ssize_t>(size)) {
        return 0;
    }
    const std::string path = "/proc/self/fd/" + std::to_string(descriptor);
    PlayParams params{};
    PlayerContext* context = player_open_stream(path.c_str(), nullptr, params);
    if (context != nullptr) {
        int32_t position = 0;
        for (int chunk = 0; chunk < 100000; ++chunk) {
            read_chunk(*context);
            // Draining now and then lets the rings and arenas wrap.
            if (chunk % 7 == 6) {
                consume_queued(*context);
            }
            const int32_t next = file_seek(params.file, 0, FILE_SEEK_CUR);
            if (next == position && context->reader.video_ring.queued == 0 &&
                context->reader.audio_ring.queued == 0) {
                break;
            }
            if (next == position) {
                consume_queued(*context);
            }
            position = next;
        }
        player_close_stream(context);
    }
    close(descriptor);
    return 0;
}

}  // namespace qx
