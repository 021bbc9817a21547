#include "audio/sound_output.h"

#include "platform/kernel.h"

// Placeholder until sound output lands: no device, silent mode.
int32_t sound_open(PlayerContext&) {
    return 0;
}

int32_t sound_stream_start(PlayerContext& context) {
    context.params->stream_buffer = nullptr;
    context.silent_play_pos = 0;
    context.stream_bytes = 32768;
    context.silent = 1;
    context.stream_write = 0;
    interlocked_store(context.sound_started, 1);
    return 0;
}

int32_t sound_stream_release(PlayerContext&) {
    return 0;
}

int32_t sound_close(PlayerContext&) {
    return 0;
}
