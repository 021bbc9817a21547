#pragma once
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "player/play_params.h"
#include "tools/qx/controls_timer.h"
#include "tools/qx/movie_info.h"
#include "tools/qx/play_controls.h"
#include "tools/qx/play_picture.h"
#include "tools/qx/play_platform.h"
#include "tools/qx/play_seek_keys.h"
#include "tools/qx/play_status.h"

namespace qx {

class PlayPacer;

// The pace of a movie without sound when `--fps` does not give one, as `qx info` assumes it.
inline constexpr double SOUNDLESS_FPS = 15;

struct PlayOptions {
    std::vector<std::string> movies;  // played in turn
    bool fullscreen = false;
    bool loop = false;  // the whole list, again and again
    bool no_sound = false;
    bool headless = false;
    int brightness = 100;
    double fps = SOUNDLESS_FPS;  // paces a movie without sound
};

// One run of `qx play`: a window (or none), the display and the player thread, driven from
// the main thread, which pumps the window's messages, keeps its picture and controls current
// and draws the status line, movie after movie of the list.
class PlaySession {
  public:
    explicit PlaySession(PlayOptions options);
    ~PlaySession();
    PlaySession(const PlaySession&) = delete;
    PlaySession& operator=(const PlaySession&) = delete;

    // The exit status: 0 after playing, 1 when a movie cannot be read or started.
    int run();

    // For whoever watches the session from another thread.
    int32_t plays_started() const { return plays_started_.load(); }
    bool headless() const { return headless_.load(); }
    // Of the movie playing, or played last.
    PlayTally tally();
    std::string movie();
    // What the status line told last (also when standard error is no terminal).
    PlayStatus shown_status();
    // What the on-screen controls show.
    PlayControls shown_controls();

  private:
    enum class Next { on, again, forward, back, chosen, quit };

    bool open_window(const MovieInfo& info);
    void close_window();
    void open_display(const MovieInfo& info);
    void close_display();
    void use_platform(std::unique_ptr<PlayPlatform> platform);
    // Plays the list; whether every movie in it could be played.
    bool play_list();
    // Plays movies_[index_] until it ends, once or more; false when it cannot be read or started.
    bool play_movie();
    // Plays the movie once; false when it cannot be started.
    bool play_once();
    void watch_play(PlayParams& params, const PlayPacer& pacer);
    void move_in_list();

    // Input (play_input.cpp): the window's messages; whether any was the user's.
    bool pump_messages(PlayParams& params);
    // Whether the message was the user's doing (which shows the controls).
    bool handle_message(PlayParams& params, const WindowMessage& message);
    void key_down(PlayParams& params, uintptr_t key, bool repeat);
    bool pointer_moved(PlayParams& params, int32_t x, int32_t y);
    void button_down(PlayParams& params, int32_t x, int32_t y, bool double_click);
    void wheel(PlayParams& params, int32_t notches, int32_t x, int32_t y);
    bool take_dropped_files();
    void end_play(PlayParams& params, Next next);
    void set_brightness(PlayParams& params, int32_t percent);
    void set_volume(int32_t percent);
    void toggle_pause(PlayParams& params);
    void seek(PlayParams& params, const PlaySeek& seek);
    void save_picture(PlayParams& params);
    bool pointer_on_bar() const;
    ControlsLayout layout() const;

    PlayStatus current_status(PlayParams& params) const;
    void show_status(const PlayStatus& status);
    void update_controls(const PlayStatus& status);
    void note_damage(PlayParams& params);
    void update_tally(const PlayPacer& pacer);
    // Since the play started, pauses left out.
    std::chrono::steady_clock::duration playing_time() const;
    // With tally_mutex_ held: the frame counts of the play in progress added to those before.
    void add_pacer_counts(PlayTally& tally, const PlayPacer& pacer) const;
    void forget_pacer();
    void note_silence();
    void say(const std::string& text);

    const PlayOptions options_;
    std::vector<std::string> movies_;
    size_t index_ = 0;
    size_t chosen_ = 0;  // the movie Next::chosen goes to
    Next next_ = Next::on;
    MovieInfo info_;
    std::optional<MovieInfo> first_read_;  // of the first movie, read to size the window
    std::unique_ptr<PlayPlatform> platform_;
    WindowHandle window_ = nullptr;
    Display* display_ = nullptr;
    DisplaySurface* primary_ = nullptr;
    DisplaySurface* back_ = nullptr;
    int32_t display_width_ = 0;
    int32_t display_height_ = 0;
    PlayPicture picture_;
    int32_t brightness_;
    int32_t volume_ = 100;
    bool paused_ = false;
    bool muted_ = false;
    bool stepped_ = false;
    bool help_ = false;
    bool scrubbing_ = false;
    int32_t scrubbed_frame_ = -1;
    bool pointer_inside_ = false;
    int32_t pointer_x_ = 0;
    int32_t pointer_y_ = 0;
    bool silence_noted_ = false;
    std::set<int32_t> damage_said_;  // offsets of the damage said of the current movie
    StatusLine status_;
    PlayStatus status_now_;
    ControlsTimer controls_timer_;

    std::chrono::steady_clock::time_point play_started_{};
    std::chrono::steady_clock::duration paused_for_{};
    std::chrono::steady_clock::time_point pause_began_{};

    std::atomic<int32_t> plays_started_{0};
    std::atomic<bool> headless_{false};
    std::mutex tally_mutex_;
    PlayTally finished_;                // plays of this movie already over
    PlayTally tally_;                   // with the current play
    const PlayPacer* pacer_ = nullptr;  // of the current play
    PlayStatus shown_status_;
    PlayControls shown_controls_;
};

}  // namespace qx
