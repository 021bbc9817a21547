#include "tools/qx/play_status.h"

#include <unistd.h>

#include <cstdio>

namespace qx {

namespace {

// 65,000 ms as "1:05", or as "0:01:05" with hours (which a movie of an hour or more shows).
std::string clock_text(uint32_t milliseconds, bool hours) {
    const uint32_t seconds = milliseconds / 1000;
    char text[32];
    if (hours) {
        std::snprintf(text, sizeof text, "%u:%02u:%02u", seconds / 3600, seconds / 60 % 60,
                      seconds % 60);
    } else {
        std::snprintf(text, sizeof text, "%u:%02u", seconds / 60, seconds % 60);
    }
    return text;
}

}  // namespace

std::string play_position_text(const PlayStatus& status) {
    const bool hours = status.duration_ms >= 3600000;
    return clock_text(status.position_ms, hours) + " / " + clock_text(status.duration_ms, hours);
}

std::string play_status_line(const PlayStatus& status) {
    std::string line = "  ";
    if (status.timed) {
        line += play_position_text(status);
    } else {
        line += "frame " + std::to_string(status.frame + 1) + " / " + std::to_string(status.frames);
    }
    line += "  brightness " + std::to_string(status.brightness) + "%";
    if (status.paused) {
        line += "  paused";
    }
    if (status.muted) {
        line += "  muted";
    }
    return line;
}

std::string play_summary(const std::string& movie, const PlayTally& tally) {
    char line[256];
    const char* plays = tally.plays > 1 ? " in all" : "";
    std::snprintf(line, sizeof line,
                  "%s: %.1f s%s, %d frame%s shown, %d dropped, worst lateness %d frame%s",
                  movie.c_str(), tally.seconds, plays, tally.presented,
                  tally.presented == 1 ? "" : "s", tally.dropped, tally.worst_lateness,
                  tally.worst_lateness == 1 ? "" : "s");
    std::string summary = line;
    if (tally.plays > 1) {
        summary += ", " + std::to_string(tally.plays) + " plays";
    }
    return summary;
}

StatusLine::StatusLine() : enabled_(isatty(STDERR_FILENO)) {}

void StatusLine::show(const std::string& text) {
    if (enabled_) {
        std::fprintf(stderr, "\r%s\033[K", text.c_str());
        std::fflush(stderr);
        shown_ = true;
    }
}

void StatusLine::finish() {
    if (enabled_ && shown_) {
        std::fprintf(stderr, "\r\033[K");
        std::fflush(stderr);
        shown_ = false;
    }
}

}  // namespace qx
