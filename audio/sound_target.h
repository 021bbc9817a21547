#pragma once
#include <cstdint>

#include "platform/sound.h"
#include "platform/window.h"

namespace qx {

// The sound objects the application's parameter record holds, as the audio stage reaches them:
// linked once when a movie starts. The stage adopts the objects the application supplied and
// stores there the ones it creates, where the application sees them.
struct SoundTarget {
    int32_t open_sound;  // the player opens the sound device (PLAY_SOUND)
    WindowHandle window;
    SoundDevice** device;
    SoundBuffer** primary_buffer;
    // Shared with the pause and resume calls, which count themselves in `stream_users` while
    // they use the buffer; read and written through interlocked operations.
    SoundBuffer** stream_buffer;
    int32_t* stream_users;
};

}  // namespace qx
