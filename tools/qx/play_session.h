#pragma once
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>

#include "player/play_params.h"
#include "tools/qx/movie_info.h"
#include "tools/qx/play_picture.h"
#include "tools/qx/play_platform.h"
#include "tools/qx/play_seek_keys.h"
#include "tools/qx/play_status.h"

class PlayPacer;

struct PlayOptions {
    std::string movie;
    bool fullscreen = false;
    bool loop = false;
    bool no_sound = false;
    bool headless = false;
    int brightness = 100;
    double fps = 0;  // paces a movie without sound; 0 = as fast as it decodes
};

// One run of `qx play`: a window (or none), the display and the player thread, driven from
// the main thread, which pumps the window's keys, keeps its picture current and draws the
// status line until the last play of the movie has closed.
class PlaySession {
  public:
    explicit PlaySession(PlayOptions options);
    ~PlaySession();
    PlaySession(const PlaySession&) = delete;
    PlaySession& operator=(const PlaySession&) = delete;

    // The exit status: 0 after playing, 1 when the movie cannot be read or started.
    int run();

    // For whoever watches the session from another thread.
    int32_t plays_started() const { return plays_started_.load(); }
    bool headless() const { return headless_.load(); }
    PlayTally tally();
    // What the status line told last (also when standard error is no terminal).
    PlayStatus shown_status();

  private:
    bool open_window(const MovieInfo& info);
    void close_window();
    void open_display(const MovieInfo& info);
    void close_display();
    void use_platform(std::unique_ptr<PlayPlatform> platform);
    // Plays the movie once; false when it cannot be started.
    bool play_once();
    // Handles the window's messages; whether a key was among them.
    bool pump_messages(PlayParams& params);
    void key_down(PlayParams& params, uintptr_t key, bool repeat);
    void set_brightness(PlayParams& params, int32_t percent);
    void toggle_pause(PlayParams& params);
    void seek(PlayParams& params, const PlaySeek& seek);
    void click(PlayParams& params, intptr_t where);
    PlayStatus current_status(PlayParams& params) const;
    void show_status(const PlayStatus& status);
    void update_tally(const PlayPacer& pacer);
    // With tally_mutex_ held: the frame counts of the play in progress added to those before.
    void add_pacer_counts(PlayTally& tally, const PlayPacer& pacer) const;
    void forget_pacer();
    void note_silence();

    const PlayOptions options_;
    MovieInfo info_;
    std::unique_ptr<PlayPlatform> platform_;
    WindowHandle window_ = nullptr;
    Display* display_ = nullptr;
    DisplaySurface* primary_ = nullptr;
    DisplaySurface* back_ = nullptr;
    PlayPicture picture_;
    int32_t brightness_;
    bool quit_ = false;
    bool restart_ = false;
    bool paused_ = false;
    bool muted_ = false;
    bool silence_noted_ = false;
    StatusLine status_;

    std::chrono::steady_clock::time_point play_started_{};
    std::chrono::steady_clock::duration paused_for_{};
    std::chrono::steady_clock::time_point pause_began_{};

    std::atomic<int32_t> plays_started_{0};
    std::atomic<bool> headless_{false};
    std::mutex tally_mutex_;
    PlayTally finished_;                // plays already over
    PlayTally tally_;                   // with the current play
    const PlayPacer* pacer_ = nullptr;  // of the current play
    PlayStatus shown_status_;
};
