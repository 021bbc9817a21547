#pragma once
#include <cstdint>
#include <string>

namespace qx {

// What a `qx play` session has shown so far, over every play of the movie.
struct PlayTally {
    int32_t plays = 0;
    double seconds = 0;  // playing time, pauses left out
    int32_t presented = 0;
    int32_t dropped = 0;
    int32_t worst_lateness = 0;  // frames of the media clock
};

// What the status line tells of the movie as it plays.
struct PlayStatus {
    bool timed = false;  // position and duration are known; otherwise frames are counted
    uint32_t position_ms = 0;
    uint32_t duration_ms = 0;
    int32_t frame = -1;  // the latest frame shown, from 0
    int32_t frames = 0;
    int32_t brightness = 100;
    bool paused = false;
    bool muted = false;

    bool operator==(const PlayStatus&) const = default;
};

// "  0:05 / 0:16  brightness 100%  paused  muted", or "  frame 12 / 400  ..." for a movie
// without sound, whose frames have no time.
std::string play_status_line(const PlayStatus& status);
// "0:05 / 0:16" of a timed status.
std::string play_position_text(const PlayStatus& status);

// "MOVIE: 62.5 s, 940 frames shown, 3 dropped, worst lateness 1 frame"
std::string play_summary(const std::string& movie, const PlayTally& tally);

// The status line on standard error, redrawn in place, only when that is a terminal.
class StatusLine {
  public:
    StatusLine();
    bool enabled() const { return enabled_; }
    void show(const std::string& text);
    // Clears the line.
    void finish();

  private:
    bool enabled_;
    bool shown_ = false;
};

}  // namespace qx
