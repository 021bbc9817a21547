#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "authoring/movie_writer.h"
#include "player/player_context.h"

namespace qx {

// A path for a test's own file in the temporary folder, unique to the running test.
std::string audio_test_path(const std::string& name);

// A movie saved to a temporary file and opened the way the player opens it, ready for
// read_chunk; closed and removed again at the end.
class OpenedMovie {
  public:
    explicit OpenedMovie(const MovieWriter& movie);
    // The same file cut to its first `keep_bytes` bytes.
    OpenedMovie(const MovieWriter& movie, size_t keep_bytes);
    ~OpenedMovie();
    OpenedMovie(const OpenedMovie&) = delete;
    OpenedMovie& operator=(const OpenedMovie&) = delete;

    PlayerContext& context() { return *context_; }
    PlayParams& params() { return params_; }
    // Reads chunks until one gives `result` (or the file ends); returns the last result.
    int32_t read_until(int32_t result);
    // Frees the oldest queued audio block as the media clock would.
    void consume_audio();

  private:
    void open(const std::vector<uint8_t>& bytes);

    std::string path_;
    PlayParams params_{};
    PlayerContext* context_ = nullptr;
};

// The 16-bit samples of a queued block.
std::vector<int16_t> block_samples(const AudioBlockSlot& slot);

}  // namespace qx
