#include <memory>

#include "tools/qx/commands.h"
#include "tools/qx/play_keys.h"
#include "tools/qx/play_session.h"

namespace qx {

void add_play_command(CLI::App& app, int& status) {
    auto* command = app.add_subcommand(
        "play",
        "Watch movies, one after the other. Moving the mouse or pressing a key shows the "
        "controls over the picture. " +
            play_keys_paragraph() + "; a file dropped on the window plays at once");
    auto options = std::make_shared<PlayOptions>();
    add_movies_argument(*command, options->movies);
    command->add_flag("--fullscreen", options->fullscreen, "play on the whole screen");
    auto* brightness =
        command->add_option("--brightness", options->brightness, "brightness in percent (100)");
    command->add_flag("--loop", options->loop, "play the movies again and again");
    command->add_flag("--no-sound", options->no_sound, "play without the sound card");
    command->add_flag("--headless", options->headless, "no window and no sound device");
    auto* fps = command->add_option("--fps", options->fps,
                                    "frames a second for a movie without sound (15)");
    command->callback([options, fps, brightness, &status] {
        require_above_zero(*fps, options->fps);
        require_at_most(*fps, options->fps, MOST_FRAMES_PER_SECOND);
        require_not_negative(*brightness, options->brightness);
        require_at_most(*brightness, options->brightness, MOST_BRIGHTNESS_PERCENT);
        status = PlaySession(*options).run();
    });
}

}  // namespace qx
