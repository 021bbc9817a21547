#pragma once
#include <qxplay/qxplay.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tools/qx/movie_open.h"
#include "tools/qx/picture_rgb.h"

namespace qx {

// A movie's pictures, sound and show times through the public interface, for the commands that
// hand a movie on to other formats. The pictures are those `qx export` writes: the player's
// 16-bit pixels with each component widened to 8 bits (the design's 32-bit display keeps 16-bit
// pixels for these codecs, so no finer picture exists).
class MoviePictures {
  public:
    // `fps` paces a movie without sound; 0 takes the player's pace.
    bool open(const std::string& path, double fps, std::string& error);
    const qx_info& info() const { return info_; }
    qx_movie* movie() { return movie_.get(); }

    // The next picture on a canvas of the movie's largest frame size, smaller frames centred
    // on black as the player centres them; a frame that cannot be decoded leaves the picture
    // before it, as the screen keeps it. 1 with a picture, 0 at the end, -1 on an error.
    int next(RgbImage& picture, int64_t& index, int64_t& time_ms, std::string& error);
    // When the picture after `index` is shown, or the movie's end after the last.
    int64_t shown_until_ms(int64_t index);
    int64_t duration_ms() const;
    int64_t dropped() const { return dropped_; }
    // The damaged stretches found so far, one line each.
    std::vector<std::string> problems();

  private:
    std::string path_;
    OpenMovie movie_;
    qx_info info_{};
    RgbImage canvas_;
    int64_t dropped_ = 0;
};

}  // namespace qx
