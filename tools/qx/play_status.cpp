#include "tools/qx/play_status.h"

#include <unistd.h>

#include <cstdio>

std::string play_status_line(const PlayTally& tally, bool paused, bool muted) {
    const int tenths = static_cast<int>(tally.seconds * 10);
    char line[128];
    std::snprintf(line, sizeof line, "%3d:%02d.%d  shown %d  dropped %d%s%s", tenths / 600,
                  tenths / 10 % 60, tenths % 10, tally.presented, tally.dropped,
                  paused ? "  paused" : "", muted ? "  muted" : "");
    return line;
}

std::string play_summary(const std::string& movie, const PlayTally& tally) {
    char line[256];
    const char* plays = tally.plays > 1 ? " in all" : "";
    std::snprintf(line, sizeof line,
                  "%s: %.1f s%s, %d frames shown, %d dropped, worst lateness %d frame%s",
                  movie.c_str(), tally.seconds, plays, tally.presented, tally.dropped,
                  tally.worst_lateness, tally.worst_lateness == 1 ? "" : "s");
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
