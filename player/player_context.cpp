#include "player/player_context.h"

#include "player/display_params.h"

namespace qx {

void link_stages(PlayerContext& context) {
    PlayParams& params = *context.params;
    context.sound.target = {(params.flags & PLAY_SOUND) != 0 ? 1 : 0,
                            params.window,
                            &params.sound,
                            &params.primary_sound_buffer,
                            &params.stream_buffer,
                            &params.stream_users};
    context.sound.blocks = &context.reader.audio_ring;
    context.video.target = display_target_of(params);
}

}  // namespace qx
