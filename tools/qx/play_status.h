#pragma once
#include <cstdint>
#include <string>

// What a `qx play` session has shown so far, over every play of the movie.
struct PlayTally {
    int32_t plays = 0;
    double seconds = 0;  // playing time, pauses left out
    int32_t presented = 0;
    int32_t dropped = 0;
    int32_t worst_lateness = 0;  // frames of the media clock
};

// "  1:02.5  shown 940  dropped 3  paused  muted"
std::string play_status_line(const PlayTally& tally, bool paused, bool muted);
// "MOVIE: 62.5 s, 940 frames shown, 3 dropped, worst lateness 1 frame"
std::string play_summary(const std::string& movie, const PlayTally& tally);

// The status line on standard error, redrawn in place, only when that is a terminal.
class StatusLine {
  public:
    StatusLine();
    void show(const std::string& text);
    // Clears the line.
    void finish();

  private:
    bool enabled_;
    bool shown_ = false;
};
