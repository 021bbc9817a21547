#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "format/chunk_tags.h"
#include "interface/chunk_stream.h"

namespace qx {

// A stretch of a movie the reader could not take, in words.
struct DamagedStretch {
    int64_t offset;
    int64_t end;
    std::string text;
};

// Follows a reading of a movie and turns what went wrong into a few stretches rather than a
// line per chunk: where sync was lost and found again, chunks cut short by the end of the file,
// read errors.
class DamageLog {
  public:
    DamageLog(int64_t file_bytes, bool has_audio)
        : file_bytes_(file_bytes), has_audio_(has_audio) {}

    void chunk(const StreamChunk& chunk);
    // After the last chunk: a loss not found again runs to the end of the file.
    void end();

    const std::vector<DamagedStretch>& stretches() const { return stretches_; }

  private:
    void found_again(int64_t offset);

    int64_t file_bytes_;
    bool has_audio_;
    int64_t lost_at_ = -1;
    std::string cause_;
    std::vector<DamagedStretch> stretches_;
};

// Why the reader, having read this chunk's header, cannot go on from the chunk's end; empty
// when it can. It then steps on 8 bytes at a time until a header makes sense again.
std::string sync_loss(const StreamChunk& chunk, bool has_audio);
// The chunk's tag, printable and in quotes.
std::string quoted_tag(const StreamChunk& chunk);
// A tag made printable: its four bytes, with \xNN for any that is not.
std::string printable_tag(const uint8_t* tag);
// Numbers with thousands separators, as the tools print them.
std::string grouped_number(int64_t value);

}  // namespace qx
