// What the keys, the mouse and dropped files do to a `qx play` session.
#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "player/player.h"
#include "tools/qx/play_session.h"
#include "tools/qx/play_snapshot.h"

namespace qx {

namespace {

constexpr int32_t BRIGHTNESS_STEP = 10;
constexpr int32_t VOLUME_STEP = 5;
constexpr int32_t WHEEL_SEEK_MS = 5000;

constexpr uint32_t key_letter(char letter) {
    return KEY_A + static_cast<uint32_t>(letter - 'a');
}

int32_t low_word(intptr_t value) {
    return static_cast<int16_t>(value & 0xFFFF);
}

int32_t high_word(intptr_t value) {
    return static_cast<int16_t>((value >> 16) & 0xFFFF);
}

}  // namespace

bool PlaySession::pump_messages(PlayParams& params) {
    WindowMessage message{};
    bool input = false;
    while (platform_->next_message(message)) {
        if (message.message == WINDOW_MESSAGE_QUIT) {
            end_play(params, Next::quit);
            return input;
        }
        if (handle_message(params, message)) {
            controls_timer_.touch(std::chrono::steady_clock::now());
            input = true;
        }
    }
    return input;
}

bool PlaySession::handle_message(PlayParams& params, const WindowMessage& message) {
    const int32_t x = low_word(message.lparam);
    const int32_t y = high_word(message.lparam);
    switch (message.message) {
        case WINDOW_MESSAGE_KEY_DOWN:
            key_down(params, message.wparam, (message.lparam & WINDOW_KEY_REPEAT) != 0);
            return true;
        case WINDOW_MESSAGE_MOUSE_MOVE:
            return pointer_moved(params, x, y);
        case WINDOW_MESSAGE_LEFT_BUTTON_DOWN:
        case WINDOW_MESSAGE_LEFT_BUTTON_DOUBLE_CLICK:
            button_down(params, x, y, message.message == WINDOW_MESSAGE_LEFT_BUTTON_DOUBLE_CLICK);
            return true;
        case WINDOW_MESSAGE_LEFT_BUTTON_UP:
            scrubbing_ = false;
            return true;
        case WINDOW_MESSAGE_MOUSE_WHEEL:
            wheel(params, static_cast<int32_t>(static_cast<intptr_t>(message.wparam)), x, y);
            return true;
        case WINDOW_MESSAGE_MOUSE_LEAVE:
            pointer_inside_ = false;
            return false;
        case WINDOW_MESSAGE_DROP_FILES:
            if (take_dropped_files()) {
                end_play(params, Next::chosen);
            }
            return true;
        default:
            return false;
    }
}

void PlaySession::key_down(PlayParams& params, uintptr_t key, bool repeat) {
    // The switches act once a press; brightness, volume and seeking go on while their key is
    // held.
    const bool switch_key = key == KEY_SPACE || key == KEY_ESCAPE || key == KEY_SLASH ||
                            (key >= KEY_A && key <= key_letter('z'));
    if (repeat && switch_key) {
        return;
    }
    switch (key) {
        case KEY_SPACE:
            toggle_pause(params);
            break;
        case KEY_ESCAPE:
        case key_letter('q'):
            end_play(params, Next::quit);
            break;
        case key_letter('r'):
            end_play(params, Next::again);
            break;
        case key_letter('n'):
            end_play(params, Next::forward);
            break;
        case key_letter('p'):
            end_play(params, Next::back);
            break;
        case key_letter('f'):
            platform_->toggle_fullscreen();
            break;
        case key_letter('m'):
            muted_ = !muted_;
            platform_->set_muted(muted_);
            break;
        case key_letter('s'):
            save_picture(params);
            break;
        case KEY_SLASH:
        case KEY_F1:
            help_ = !help_;
            break;
        case KEY_ADD:
        case KEY_PLUS:
            set_brightness(params, brightness_ + BRIGHTNESS_STEP);
            break;
        case KEY_SUBTRACT:
        case KEY_MINUS:
            set_brightness(params, std::max(0, brightness_ - BRIGHTNESS_STEP));
            break;
        case KEY_0 + 0:
            set_volume(volume_ + VOLUME_STEP);
            break;
        case KEY_0 + 9:
            set_volume(volume_ - VOLUME_STEP);
            break;
        default:
            seek(params, seek_for_key(static_cast<uint32_t>(key), current_status(params)));
            break;
    }
}

ControlsLayout PlaySession::layout() const {
    int32_t width = 0;
    int32_t height = 0;
    platform_->client_size(width, height);
    return controls_layout(width, height);
}

bool PlaySession::pointer_on_bar() const {
    return pointer_inside_ && layout().bar.contains(pointer_x_, pointer_y_);
}

// Whether the pointer really moved: a window opening under it, or its coming back in where it
// left, moves nothing. A drag on the bar shows the frames under the pointer as it goes.
bool PlaySession::pointer_moved(PlayParams& params, int32_t x, int32_t y) {
    const bool moved = pointer_inside_ && (x != pointer_x_ || y != pointer_y_);
    pointer_inside_ = true;
    pointer_x_ = x;
    pointer_y_ = y;
    if (!scrubbing_) {
        return moved;
    }
    const int32_t frame = track_frame(layout(), x, current_status(params).frames);
    if (frame != scrubbed_frame_) {
        scrubbed_frame_ = frame;
        seek(params, {PlaySeek::Kind::to_frame, frame});
    }
    return true;
}

void PlaySession::button_down(PlayParams& params, int32_t x, int32_t y, bool double_click) {
    pointer_inside_ = true;
    pointer_x_ = x;
    pointer_y_ = y;
    const ControlsLayout where = layout();
    if (!where.bar.contains(x, y)) {
        if (double_click) {
            platform_->toggle_fullscreen();
        }
        return;
    }
    scrubbing_ = true;
    scrubbed_frame_ = track_frame(where, x, current_status(params).frames);
    seek(params, {PlaySeek::Kind::to_frame, scrubbed_frame_});
}

void PlaySession::wheel(PlayParams& params, int32_t notches, int32_t x, int32_t y) {
    if (layout().bar.contains(x, y)) {
        set_volume(volume_ + notches * VOLUME_STEP);
        return;
    }
    seek(params, seek_by_time(current_status(params), int64_t{notches} * WHEEL_SEEK_MS));
}

// Dropped movies play at once, in the list right after the one playing now.
bool PlaySession::take_dropped_files() {
    std::string path;
    size_t taken = 0;
    while (platform_->take_dropped_file(path)) {
        movies_.insert(movies_.begin() + static_cast<ptrdiff_t>(index_ + 1 + taken), path);
        ++taken;
    }
    chosen_ = index_ + 1;
    return taken > 0;
}

void PlaySession::end_play(PlayParams& params, Next next) {
    next_ = next;
    player_stop(params);
}

void PlaySession::toggle_pause(PlayParams& params) {
    if (player_toggle_pause(params) == 1) {
        paused_ = true;
        pause_began_ = std::chrono::steady_clock::now();
    } else if (paused_) {
        paused_ = false;
        stepped_ = false;
        paused_for_ += std::chrono::steady_clock::now() - pause_began_;
    }
}

// Frame steps pause the movie first, as a viewer stepping through it expects.
void PlaySession::seek(PlayParams& params, const PlaySeek& seek) {
    if (seek.kind != PlaySeek::Kind::none) {
        stepped_ = seek.kind == PlaySeek::Kind::step;
    }
    switch (seek.kind) {
        case PlaySeek::Kind::to_time:
            player_seek_time(params, static_cast<uint32_t>(seek.value));
            break;
        case PlaySeek::Kind::to_frame:
            player_seek(params, static_cast<int32_t>(seek.value));
            break;
        case PlaySeek::Kind::step:
            if (!paused_) {
                toggle_pause(params);
            }
            player_step(params, static_cast<int32_t>(seek.value));
            break;
        case PlaySeek::Kind::none:
            break;
    }
}

// The player brightens what its colour path allows; the picture the rest.
void PlaySession::set_brightness(PlayParams& params, int32_t percent) {
    brightness_ = percent;
    player_set_brightness(params, brightness_);
    picture_.set_brightness(brightness_);
}

void PlaySession::set_volume(int32_t percent) {
    volume_ = std::clamp(percent, 0, 100);
    platform_->set_volume(volume_);
}

void PlaySession::save_picture(PlayParams& params) {
    RgbImage picture;
    if (!picture_.shown(picture)) {
        return;
    }
    std::string path;
    std::string error;
    const int32_t frame = std::max(current_status(params).frame, 0);
    if (save_snapshot(info_.path, frame, picture, path, error)) {
        say("saved " + path);
    } else {
        status_.finish();
        std::fprintf(stderr, "qx play: %s\n", error.c_str());
        say(error);
    }
}

}  // namespace qx
