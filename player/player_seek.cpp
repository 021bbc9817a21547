#include "player/player.h"

int32_t player_seek(PlayParams& /*params*/, int32_t /*frame*/) {
    return 1;
}

int32_t player_seek_time(PlayParams& /*params*/, uint32_t /*milliseconds*/) {
    return 1;
}

int32_t player_step(PlayParams& /*params*/, int32_t /*delta*/) {
    return 1;
}

bool player_get_position(PlayParams& /*params*/, PlayerPosition& position) {
    position = {-1, -1, 0, 0, false};
    return false;
}
