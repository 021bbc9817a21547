#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qx {

struct ConvertOptions {
    int scale = 1;        // each picture enlarged this many times
    bool smooth = false;  // blended rather than sharp enlargement
    int quality = 75;
    bool lossless = false;
    double fps = 0;   // pace of a movie without sound; 0: the player's
    int threads = 1;  // encoder threads for this movie
};

// What a conversion met on its way: damaged stretches of the movie, one line each, and how
// many pictures could not be decoded.
struct ConvertNotes {
    std::vector<std::string> problems;
    int64_t dropped = 0;
};

// Converts `movie` to the WebM file `out`, which appears only when complete. `progress` is
// told the share done, from 0 to 1. False, with one line in `error`, on failure.
bool convert_movie(const std::string& movie, const std::string& out, const ConvertOptions& options,
                   const std::function<void(double)>& progress, ConvertNotes& notes,
                   std::string& error);

}  // namespace qx
