#pragma once
#include <cstddef>
#include <cstdint>

// A picture buffer of the export that only grows and keeps its bytes; bytes it gains are zero.
// Its memory comes straight from the system, already zero and on large pages where the system
// allows, so that a 1080p frame costs neither a clearing pass nor a thousand page faults.
class ExportBuffer {
  public:
    ExportBuffer() = default;
    ExportBuffer(const ExportBuffer&) = delete;
    ExportBuffer& operator=(const ExportBuffer&) = delete;
    ~ExportBuffer();

    // False, with the buffer as it was, when the system has no memory for `bytes`.
    bool grow(size_t bytes);

    uint8_t* data() const { return data_; }
    size_t size() const { return size_; }

  private:
    uint8_t* data_ = nullptr;
    size_t size_ = 0;
    size_t mapped_ = 0;
};
