#pragma once
#include <cstddef>
#include <cstdint>

#include "player/play_params.h"

namespace qx {

// The two pictures a movie is decoded into in application-buffer mode, each large enough for
// the movie's largest frame from the start, as a player with its own buffers sizes them.
class PictureBuffers {
  public:
    PictureBuffers() = default;
    PictureBuffers(const PictureBuffers&) = delete;
    PictureBuffers& operator=(const PictureBuffers&) = delete;
    ~PictureBuffers();

    // Zeroed pictures of `bytes` each, handed to `params`. False when memory fails.
    bool allocate(size_t bytes, PlayParams& params);

  private:
    uint8_t* first_ = nullptr;
    uint8_t* second_ = nullptr;
};

// Widens `pixels` 5-6-5 pixels (little-endian) to red, green, blue, 255, repeating each
// component's bits so that full intensity stays 255.
void widen_rgb565_to_rgba(const uint8_t* source, size_t pixels, uint8_t* rgba);

}  // namespace qx
