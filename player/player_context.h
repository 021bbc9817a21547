#pragma once
#include <cstdint>

#include "audio/sound_stream.h"
#include "codecs/dct/dct_colour_tables.h"
#include "codecs/dct/dct_decoder.h"
#include "codecs/rkd/rkd_decoder.h"
#include "player/play_params.h"
#include "player/reader_rings.h"
#include "player/seek_state.h"
#include "video/video_output.h"

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

    // The movie's own decoders and the tables they convert through. Only the player thread
    // touches them once playback runs; tables_brightness is the brightness they were built at.
    RkdDecoder rkd;
    DctDecoder dct;
    ColourTables colour_tables;
    int32_t tables_brightness;
};

// Hands the audio stage what it works on beyond its own record: the application's sound objects
// in `params` and the consumer end of the audio ring. Once `params` holds the options.
void link_stages(PlayerContext& context);
