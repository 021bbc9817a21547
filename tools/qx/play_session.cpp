#include "tools/qx/play_session.h"

#include <algorithm>
#include <cstdio>

#include "platform/kernel.h"
#include "player/player.h"
#include "tools/qx/play_pacer.h"
#include "tools/qx/play_seek_keys.h"

namespace {

constexpr auto STATUS_PERIOD = std::chrono::milliseconds(200);
// The player tells nobody that it has ended: the main thread looks this often, as seldom as
// keeps the end of a play from lingering.
constexpr uint32_t END_CHECK_MS = 50;
// Pictures of movies without video, or of unknown size, use this display.
constexpr int32_t FALLBACK_WIDTH = 320;
constexpr int32_t FALLBACK_HEIGHT = 240;

uint32_t milliseconds_until(std::chrono::steady_clock::time_point at, uint32_t most) {
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(at - std::chrono::steady_clock::now()).count();
    return static_cast<uint32_t>(std::clamp<int64_t>(left, 0, most));
}

}  // namespace

PlaySession::PlaySession(PlayOptions options)
    : options_(std::move(options)), brightness_(options_.brightness) {}

PlaySession::~PlaySession() {
    close_display();
    close_window();
    platform_install_backend(nullptr);
}

PlayTally PlaySession::tally() {
    std::lock_guard lock(tally_mutex_);
    // The frame counts are the pacer's own, so that they are current between the main
    // thread's looks.
    if (pacer_ == nullptr) {
        return tally_;
    }
    PlayTally current = tally_;
    add_pacer_counts(current, *pacer_);
    return current;
}

void PlaySession::add_pacer_counts(PlayTally& tally, const PlayPacer& pacer) const {
    tally.presented = finished_.presented + pacer.frames_presented();
    tally.dropped = finished_.dropped + pacer.frames_dropped();
    tally.worst_lateness = std::max(finished_.worst_lateness, pacer.worst_lateness());
}

PlayStatus PlaySession::shown_status() {
    std::lock_guard lock(tally_mutex_);
    return shown_status_;
}

void PlaySession::use_platform(std::unique_ptr<PlayPlatform> platform) {
    platform_install_backend(nullptr);
    platform_ = std::move(platform);
    if (platform_) {
        platform_install_backend(&platform_->backend());
    }
}

bool PlaySession::open_window(const MovieInfo& info) {
    const int32_t width = info.frame_width > 0 ? info.frame_width : FALLBACK_WIDTH;
    const int32_t height = info.frame_height > 0 ? info.frame_height : FALLBACK_HEIGHT;
    if (!platform_->open_window("qx play: " + options_.movie, width, height)) {
        return false;
    }
    window_ = platform_->window();
    return true;
}

void PlaySession::close_window() {
    if (platform_) {
        platform_->close_window();
    }
    window_ = nullptr;
}

// The display mode is the movie's own picture size; the window scales it.
void PlaySession::open_display(const MovieInfo& info) {
    if (display_create(&display_) != PLATFORM_OK) {
        return;
    }
    const uint32_t level =
        options_.fullscreen ? COOPERATIVE_FULLSCREEN | COOPERATIVE_EXCLUSIVE : COOPERATIVE_NORMAL;
    display_->set_cooperative_level(window_, level);
    const int32_t width = info.frame_width > 0 ? info.frame_width : FALLBACK_WIDTH;
    const int32_t height = info.frame_height > 0 ? info.frame_height : FALLBACK_HEIGHT;
    display_->set_display_mode(width, height, 16);
    SurfaceDesc desc;
    desc.flags = SURFACE_DESC_CAPS | SURFACE_DESC_BACK_BUFFER_COUNT;
    desc.back_buffer_count = 1;
    desc.caps = SURFACE_PRIMARY | SURFACE_FLIP | SURFACE_COMPLEX;
    if (display_->create_surface(desc, &primary_) != PLATFORM_OK) {
        return;
    }
    primary_->get_attached_surface(SURFACE_BACK_BUFFER, &back_);
    BltEffects black;
    primary_->blt(nullptr, nullptr, nullptr, BLT_COLOUR_FILL | BLT_WAIT, &black);
    // Nobody sees a headless picture: the player presents straight to the primary, with no
    // copies for a brightness nobody looks at.
    if (!headless_) {
        picture_.open(*display_, *primary_, brightness_);
    }
}

void PlaySession::close_display() {
    picture_.close();
    for (DisplaySurface** surface : {&back_, &primary_}) {
        if (*surface) {
            (*surface)->release();
            *surface = nullptr;
        }
    }
    if (display_) {
        display_->release();
        display_ = nullptr;
    }
}

void PlaySession::key_down(PlayParams& params, uintptr_t key, bool repeat) {
    // The switches act once a press; brightness and seeking go on while their key is held.
    const bool switch_key = key == KEY_SPACE || key == KEY_ESCAPE || key == KEY_A + ('Q' - 'A') ||
                            key == KEY_A + ('R' - 'A') || key == KEY_A + ('F' - 'A') ||
                            key == KEY_A + ('M' - 'A');
    if (repeat && switch_key) {
        return;
    }
    switch (key) {
        case KEY_SPACE:
            toggle_pause(params);
            break;
        case KEY_ESCAPE:
        case KEY_A + ('Q' - 'A'):
            quit_ = true;
            player_stop(params);
            break;
        case KEY_A + ('R' - 'A'):
            restart_ = true;
            player_stop(params);
            break;
        case KEY_A + ('F' - 'A'):
            platform_->toggle_fullscreen();
            break;
        case KEY_A + ('M' - 'A'):
            muted_ = !muted_;
            platform_->set_muted(muted_);
            break;
        case KEY_ADD:
        case KEY_PLUS:
            set_brightness(params, brightness_ + 10);
            break;
        case KEY_SUBTRACT:
        case KEY_MINUS:
            set_brightness(params, std::max(0, brightness_ - 10));
            break;
        default:
            seek(params, seek_for_key(static_cast<uint32_t>(key), current_status(params)));
            break;
    }
}

void PlaySession::toggle_pause(PlayParams& params) {
    if (player_toggle_pause(params) == 1) {
        paused_ = true;
        pause_began_ = std::chrono::steady_clock::now();
    } else if (paused_) {
        paused_ = false;
        paused_for_ += std::chrono::steady_clock::now() - pause_began_;
    }
}

// Frame steps pause the movie first, as a viewer stepping through it expects.
void PlaySession::seek(PlayParams& params, const PlaySeek& seek) {
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

void PlaySession::click(PlayParams& params, intptr_t where) {
    int32_t width = 0;
    int32_t height = 0;
    if (platform_->client_size(width, height)) {
        const auto x = static_cast<int32_t>(where & 0xFFFF);
        const auto y = static_cast<int32_t>((where >> 16) & 0xFFFF);
        seek(params, seek_for_click(x, y, width, height, current_status(params)));
    }
}

// The player brightens what its colour path allows; the picture the rest.
void PlaySession::set_brightness(PlayParams& params, int32_t percent) {
    brightness_ = percent;
    player_set_brightness(params, brightness_);
    picture_.set_brightness(brightness_);
}

bool PlaySession::pump_messages(PlayParams& params) {
    WindowMessage message{};
    bool keys = false;
    while (platform_->next_message(message)) {
        if (message.message == WINDOW_MESSAGE_QUIT) {
            quit_ = true;
            player_stop(params);
            return keys;
        }
        if (message.message == WINDOW_MESSAGE_KEY_DOWN) {
            key_down(params, message.wparam, (message.lparam & WINDOW_KEY_REPEAT) != 0);
            keys = true;
        } else if (message.message == WINDOW_MESSAGE_LEFT_BUTTON_DOWN) {
            click(params, message.lparam);
            keys = true;
        }
    }
    return keys;
}

// The player's own position once it can tell it; until then the frames it has shown, timed
// by the movie's frame rate.
PlayStatus PlaySession::current_status(PlayParams& params) const {
    PlayStatus status;
    status.brightness = brightness_;
    status.paused = paused_;
    status.muted = muted_;
    status.frame = interlocked_load(params.frames_shown) - 1;
    status.frames = info_.video_frames;
    const double fps = info_.frames_per_second().value_or(options_.fps);
    if (fps > 0) {
        status.timed = true;
        status.position_ms = static_cast<uint32_t>(std::max(status.frame, 0) * 1000.0 / fps);
        status.duration_ms = static_cast<uint32_t>(
            info_.duration_seconds().value_or(info_.video_frames / fps) * 1000.0);
    }
    PlayerPosition position{};
    if (!player_get_position(params, position)) {
        return status;
    }
    status.frame = position.frame;
    status.frames = position.frames >= 0 ? position.frames : status.frames;
    if (position.duration_ms > 0) {
        status.timed = true;
        status.position_ms = position.position_ms;
        status.duration_ms = position.duration_ms;
    }
    return status;
}

void PlaySession::show_status(const PlayStatus& status) {
    status_.show(play_status_line(status));
    std::lock_guard lock(tally_mutex_);
    shown_status_ = status;
}

void PlaySession::update_tally(const PlayPacer& pacer) {
    auto playing = std::chrono::steady_clock::now() - play_started_ - paused_for_;
    if (paused_) {
        playing -= std::chrono::steady_clock::now() - pause_began_;
    }
    std::lock_guard lock(tally_mutex_);
    tally_ = finished_;
    tally_.plays = finished_.plays + 1;
    tally_.seconds += std::chrono::duration<double>(playing).count();
    add_pacer_counts(tally_, pacer);
}

// Said once, when the sound the movie has cannot be played.
void PlaySession::note_silence() {
    if (!silence_noted_ && platform_->sound_unavailable()) {
        silence_noted_ = true;
        status_.finish();
        std::fprintf(stderr, "qx play: no sound device: playing without sound\n");
    }
}

bool PlaySession::play_once() {
    PlayParams params{};
    params.flags = PLAY_CENTRE_X | PLAY_CENTRE_Y | PLAY_THREAD | PLAY_KEEP_BRIGHTNESS |
                   PLAY_CALLBACK | (options_.no_sound || headless_ ? 0 : PLAY_SOUND);
    params.display = display_;
    DisplaySurface* staging = picture_.staging();
    params.primary_surface = staging != nullptr ? staging : primary_;
    params.back_surface = back_;
    params.brightness = brightness_;
    PlayPacer pacer(params, info_.has_audio, options_.fps,
                    staging != nullptr ? &picture_ : nullptr);
    {
        std::lock_guard lock(tally_mutex_);
        pacer_ = &pacer;
    }
    restart_ = false;
    paused_ = false;
    paused_for_ = {};
    play_started_ = std::chrono::steady_clock::now();
    if (!player_start(options_.movie.c_str(), window_, params)) {
        forget_pacer();
        return false;
    }
    plays_started_.fetch_add(1);
    auto next_status = std::chrono::steady_clock::now();
    // Without a window or a status line there is nothing to do before the play ends, and
    // waking to look for the end would cost more than the rest of the main thread's work.
    const bool watched = !headless_ || status_.enabled();
    while (watched && interlocked_load(params.context) != nullptr) {
        // Keys wake the window's wait at once; otherwise nothing is due before the next
        // status line or the next look for the end.
        if (pump_messages(params)) {
            next_status = std::chrono::steady_clock::now();
        }
        update_tally(pacer);
        if (std::chrono::steady_clock::now() >= next_status) {
            note_silence();
            show_status(current_status(params));
            next_status += STATUS_PERIOD;
        }
        platform_->wait_message_ms(milliseconds_until(next_status, END_CHECK_MS));
    }
    thread_join(params.thread_handle);
    note_silence();
    paused_ = false;
    update_tally(pacer);
    forget_pacer();
    std::lock_guard lock(tally_mutex_);
    finished_ = tally_;
    return true;
}

void PlaySession::forget_pacer() {
    std::lock_guard lock(tally_mutex_);
    pacer_ = nullptr;
}

int PlaySession::run() {
    std::string error;
    if (!read_movie_info(options_.movie, info_, error, false)) {
        std::fprintf(stderr, "qx play: %s\n", error.c_str());
        return 1;
    }
    headless_ = options_.headless;
    if (!headless_) {
        std::string unloadable;
        use_platform(make_windowed_platform(!options_.no_sound, unloadable));
        if (!platform_) {
            std::fprintf(stderr, "qx play: %s; playing headless\n", unloadable.c_str());
        } else if (!open_window(info_)) {
            std::fprintf(stderr, "qx play: no display can be opened; playing headless\n");
        }
    }
    if (!window_) {
        headless_ = true;
        use_platform(make_headless_platform());
    }
    open_display(info_);
    do {
        if (!play_once()) {
            status_.finish();
            std::fprintf(stderr, "qx play: %s: the movie cannot be started\n",
                         options_.movie.c_str());
            return 1;
        }
    } while (restart_ || (options_.loop && !quit_));
    status_.finish();
    std::printf("%s\n", play_summary(options_.movie, tally()).c_str());
    return 0;
}
