#include "tools/qx/play_session.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "platform/kernel.h"
#include "player/player.h"
#include "tools/qx/number_text.h"
#include "tools/qx/play_keys.h"
#include "tools/qx/play_pacer.h"

namespace qx {

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

int32_t display_width(const MovieInfo& info) {
    return info.frame_width > 0 ? info.frame_width : FALLBACK_WIDTH;
}

int32_t display_height(const MovieInfo& info) {
    return info.frame_height > 0 ? info.frame_height : FALLBACK_HEIGHT;
}

std::string file_name(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

// "22,050 Hz stereo ima-adpcm" for the panel of a movie without pictures.
std::string sound_format(const MovieInfo& info) {
    const char* codec = audio_codec_name(info.audio_codec);
    return grouped(info.sample_rate) + " Hz " + (info.channels == 2 ? "stereo " : "mono ") +
           (codec != nullptr ? codec : "unknown sound");
}

}  // namespace

PlaySession::PlaySession(PlayOptions options)
    : options_(std::move(options)), movies_(options_.movies), brightness_(options_.brightness) {}

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

std::string PlaySession::movie() {
    std::lock_guard lock(tally_mutex_);
    return info_.path;
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

PlayControls PlaySession::shown_controls() {
    std::lock_guard lock(tally_mutex_);
    return shown_controls_;
}

void PlaySession::use_platform(std::unique_ptr<PlayPlatform> platform) {
    platform_install_backend(nullptr);
    platform_ = std::move(platform);
    if (platform_) {
        platform_install_backend(&platform_->backend());
    }
}

bool PlaySession::open_window(const MovieInfo& info) {
    if (!platform_->open_window("qx play", display_width(info), display_height(info))) {
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
    if (display_ != nullptr && display_width_ == display_width(info) &&
        display_height_ == display_height(info)) {
        return;
    }
    close_display();
    if (display_create(&display_) != PLATFORM_OK) {
        return;
    }
    const uint32_t level =
        options_.fullscreen ? COOPERATIVE_FULLSCREEN | COOPERATIVE_EXCLUSIVE : COOPERATIVE_NORMAL;
    display_->set_cooperative_level(window_, level);
    display_width_ = display_width(info);
    display_height_ = display_height(info);
    display_->set_display_mode(display_width_, display_height_, 16);
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
    // Without pictures the position is the time the sound has played.
    if (info_.video_frames == 0) {
        const auto played = std::chrono::duration_cast<std::chrono::milliseconds>(playing_time());
        status.timed = true;
        status.duration_ms = static_cast<uint32_t>(info_.duration_seconds().value_or(0) * 1000.0);
        status.position_ms =
            static_cast<uint32_t>(std::clamp<int64_t>(played.count(), 0, status.duration_ms));
        return status;
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
    status_now_ = status;
    status_.show(play_status_line(status));
    std::lock_guard lock(tally_mutex_);
    shown_status_ = status;
}

// The controls show while they are wanted; a movie without pictures has nothing else to show.
void PlaySession::update_controls(const PlayStatus& status) {
    if (!window_) {
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    const bool sound_only = info_.video_frames == 0;
    PlayControls controls;
    controls.bar =
        sound_only || help_ || scrubbing_ || controls_timer_.bar_shown(now, pointer_on_bar());
    if (controls.bar) {
        controls.status = status;
        controls.volume = volume_;
        controls.frame_shown = stepped_;
    }
    controls.message = controls_timer_.message(now);
    if (help_) {
        controls.panel = play_keys_lines();
    } else if (sound_only) {
        controls.panel = {file_name(info_.path), sound_format(info_)};
    }
    if (controls == shown_controls_) {
        return;
    }
    platform_->show_controls(controls);
    std::lock_guard lock(tally_mutex_);
    shown_controls_ = std::move(controls);
}

void PlaySession::say(const std::string& text) {
    controls_timer_.say(text, std::chrono::steady_clock::now());
}

// Damage the player stepped over is said once a movie, on standard error and on the screen.
void PlaySession::note_damage(PlayParams& params) {
    if (interlocked_load(params.resyncs) == 0) {
        return;
    }
    const int32_t offset = interlocked_load(params.resync_offset);
    if (!damage_said_.insert(offset).second) {
        return;
    }
    const std::string text = "damaged data at " + grouped(offset) + ": " +
                             grouped(interlocked_load(params.resync_bytes)) + " bytes skipped";
    status_.finish();
    std::fprintf(stderr, "qx play: %s: %s\n", info_.path.c_str(), text.c_str());
    say(text);
}

std::chrono::steady_clock::duration PlaySession::playing_time() const {
    auto playing = std::chrono::steady_clock::now() - play_started_ - paused_for_;
    if (paused_) {
        playing -= std::chrono::steady_clock::now() - pause_began_;
    }
    return playing;
}

void PlaySession::update_tally(const PlayPacer& pacer) {
    const auto playing = playing_time();
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

// Until the play ends: the window's messages, the status line and the controls.
void PlaySession::watch_play(PlayParams& params, const PlayPacer& pacer) {
    auto next_status = std::chrono::steady_clock::now();
    // Without a window or a status line there is nothing to do before the play ends, and
    // waking to look for the end would cost more than the rest of the main thread's work.
    const bool watched = !headless_ || status_.enabled();
    while (watched && interlocked_load(params.context) != nullptr) {
        // Input wakes the window's wait at once; otherwise nothing is due before the next
        // status line, the controls' next change or the next look for the end.
        if (pump_messages(params)) {
            next_status = std::chrono::steady_clock::now();
        }
        update_tally(pacer);
        const auto now = std::chrono::steady_clock::now();
        if (now >= next_status) {
            note_silence();
            note_damage(params);
            show_status(current_status(params));
            next_status = now + STATUS_PERIOD;
        }
        update_controls(status_now_);
        const auto wake = std::min(next_status, controls_timer_.next_change(now));
        platform_->wait_message_ms(milliseconds_until(wake, END_CHECK_MS));
    }
}

bool PlaySession::play_once() {
    PlayParams params{};
    params.flags = PLAY_CENTRE_X | PLAY_CENTRE_Y | PLAY_THREAD | PLAY_KEEP_BRIGHTNESS |
                   PLAY_CALLBACK | PLAY_RESYNC | (options_.no_sound || headless_ ? 0 : PLAY_SOUND);
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
    next_ = Next::on;
    paused_ = false;
    stepped_ = false;
    scrubbing_ = false;
    paused_for_ = {};
    play_started_ = std::chrono::steady_clock::now();
    if (!player_start(info_.path.c_str(), window_, params)) {
        forget_pacer();
        return false;
    }
    plays_started_.fetch_add(1);
    watch_play(params, pacer);
    thread_join(params.thread_handle);
    note_silence();
    note_damage(params);
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

bool PlaySession::play_movie() {
    MovieInfo info;
    std::string error;
    // Reading a movie's information walks all of it: the first one's is read once.
    if (first_read_ && first_read_->path == movies_[index_]) {
        info = std::move(*first_read_);
    } else if (!read_movie_info(movies_[index_], info, error, false)) {
        status_.finish();
        std::fprintf(stderr, "qx play: %s\n", error.c_str());
        return false;
    }
    first_read_.reset();
    {
        std::lock_guard lock(tally_mutex_);
        info_ = std::move(info);
        finished_ = {};
        tally_ = {};
    }
    damage_said_.clear();
    open_display(info_);
    platform_->set_title("qx play: " + file_name(info_.path));
    const bool loop_alone = options_.loop && movies_.size() == 1;
    do {
        if (!play_once()) {
            status_.finish();
            std::fprintf(stderr, "qx play: %s: the movie cannot be started\n", info_.path.c_str());
            return false;
        }
    } while (next_ == Next::again || (next_ == Next::on && loop_alone));
    status_.finish();
    std::printf("%s\n", play_summary(info_.path, tally()).c_str());
    std::fflush(stdout);
    return true;
}

// Where the list goes after a movie: on, to where a key or a dropped file sent it, or round
// again with --loop.
void PlaySession::move_in_list() {
    const size_t last = movies_.size() - 1;
    switch (next_) {
        case Next::back:
            index_ = index_ > 0 ? index_ - 1 : (options_.loop ? last : 0);
            return;
        case Next::chosen:
            index_ = chosen_;
            return;
        case Next::quit:
            index_ = movies_.size();
            return;
        default:
            index_ = index_ < last || !options_.loop ? index_ + 1 : 0;
            return;
    }
}

bool PlaySession::play_list() {
    bool all_played = true;
    bool played_this_round = false;
    while (index_ < movies_.size()) {
        const bool played = play_movie();
        all_played = all_played && played;
        played_this_round = played_this_round || played;
        if (!played) {
            next_ = Next::on;
        }
        const size_t before = index_;
        move_in_list();
        // Round again only while some movie of the list can be played.
        if (index_ < before && (next_ == Next::on || next_ == Next::forward)) {
            if (!played_this_round) {
                break;
            }
            played_this_round = false;
        }
    }
    return all_played;
}

int PlaySession::run() {
    // The window is sized for the first movie that can be read; without any, there is none.
    MovieInfo first;
    std::string error;
    const auto readable = std::find_if(
        movies_.begin(), movies_.end(),
        [&](const std::string& path) { return read_movie_info(path, first, error, false); });
    if (readable == movies_.begin()) {
        first_read_ = first;
    }
    headless_ = options_.headless || readable == movies_.end();
    if (!headless_) {
        std::string unloadable;
        use_platform(make_windowed_platform(!options_.no_sound, unloadable));
        if (!platform_) {
            std::fprintf(stderr, "qx play: %s; playing headless\n", unloadable.c_str());
        } else if (!open_window(first)) {
            std::fprintf(stderr, "qx play: no display can be opened; playing headless\n");
        }
    }
    if (!window_) {
        headless_ = true;
        use_platform(make_headless_platform());
    }
    platform_->set_volume(volume_);
    return play_list() ? 0 : 1;
}

}  // namespace qx
