#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "format/audio_header.h"

namespace qx {

// One element of an audio header's element lists: a tag byte, a length byte and the value.
struct AudioElement {
    uint8_t tag;
    std::vector<uint8_t> value;
};

// An element whose value is `value` in `length` big-endian bytes.
AudioElement audio_element(uint8_t tag, uint32_t value, uint8_t length);

// Builds a movie file in memory, chunk by chunk, and saves it.
class MovieWriter {
  public:
    // A chunk whose size field covers the header and `body`.
    void chunk(const char (&tag)[5], std::span<const uint8_t> body);
    // A chunk whose size field says `declared_size`, whatever the body holds (damaged files).
    void chunk_with_size(const char (&tag)[5], std::span<const uint8_t> body,
                         uint32_t declared_size);
    // An audio header chunk ("SCHl") from its two element lists.
    void audio_header(std::span<const AudioElement> list1, std::span<const AudioElement> list2);
    // An audio header that sets these four values.
    void audio_header(int32_t channels, int32_t sample_rate, int32_t compression,
                      int32_t sample_bits = 16);
    void raw(std::span<const uint8_t> bytes);

    const std::vector<uint8_t>& bytes() const { return bytes_; }
    // Writes the file whole (write_whole_file): no half-written file remains under `path`.
    // False, with the system's reason in `error`, when it cannot be written.
    bool save(const std::string& path, std::string& error) const;
    bool save(const std::string& path) const;

  private:
    std::vector<uint8_t> bytes_;
};

// The body of an audio header chunk from its element lists.
std::vector<uint8_t> audio_header_body(std::span<const AudioElement> list1,
                                       std::span<const AudioElement> list2);

}  // namespace qx
