#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace qx {

// A plain 16-bit PCM WAV file: the 44-byte header of a RIFF form with a "fmt " and a "data"
// chunk, then the samples, little-endian. The sizes in the header are filled in on close.
class WavWriter {
  public:
    WavWriter() = default;
    ~WavWriter();
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    // Creates `path` (over any file there); false with the reason in `error`.
    bool open(const std::string& path, int32_t sample_rate, int32_t channels, std::string& error);
    // Writes to `file` (a pipe, standard output), which is never sought: the header states
    // `frames` from the start, and close() flushes it but leaves it open. `name` is for errors.
    bool open_stream(std::FILE* file, const std::string& name, int32_t sample_rate,
                     int32_t channels, uint64_t frames, std::string& error);
    bool is_open() const { return file_ != nullptr; }
    // Interleaved samples, `frames` of them for each channel.
    bool write(const int16_t* samples, size_t frames, std::string& error);
    int32_t channels() const { return channels_; }
    // Completes the header and closes the file; false when it cannot be completed.
    bool close(std::string& error);

  private:
    bool write_header(uint32_t data_bytes);

    bool check_format(const std::string& path, int32_t sample_rate, int32_t channels,
                      std::string& error);

    std::FILE* file_ = nullptr;
    bool stream_ = false;
    std::string path_;
    int32_t sample_rate_ = 0;
    int32_t channels_ = 0;
    uint64_t data_bytes_ = 0;
    std::vector<uint8_t> bytes_;
};

}  // namespace qx
