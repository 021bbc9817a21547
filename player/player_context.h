#pragma once
#include <cstdint>

#include "audio/sound_stream.h"
#include "player/play_params.h"
#include "player/reader_rings.h"
#include "player/seek_state.h"
#include "video/video_output.h"

namespace qx {

// The player's private state of one movie, allocated zero-filled by player_start and freed by
// the teardown: one record per stage, each declared by that stage.
struct PlayerContext {
    PlayParams* params;

    ReaderRings reader;
    SoundStream sound;
    VideoOutput video;
    SeekState seek;

    int32_t alive;
    uint32_t start_tick;
    uint32_t end_tick;
};

// Hands the stages what they work on beyond their own records: the audio stage the
// application's sound objects in `params` and the consumer end of the audio ring, the video
// stage the display fields of `params`. Once `params` holds the options.
void link_stages(PlayerContext& context);

}  // namespace qx
