#include "tools/qx/wav_writer.h"

#include <cerrno>
#include <cstring>

namespace qx {

namespace {

constexpr uint32_t WAV_HEADER_BYTES = 44;
constexpr uint32_t SAMPLE_BYTES = 2;
constexpr uint16_t WAV_FORMAT_PCM = 1;
// The RIFF form counts its size in 32 bits.
constexpr uint64_t WAV_MOST_DATA_BYTES = 0xFFFFFFFFu - (WAV_HEADER_BYTES - 8);

void put_le16(uint8_t* at, uint32_t value) {
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
}

void put_le32(uint8_t* at, uint32_t value) {
    put_le16(at, value);
    put_le16(at + 2, value >> 16);
}

std::string reason() {
    return std::strerror(errno);
}

}  // namespace

WavWriter::~WavWriter() {
    std::string ignored;
    close(ignored);
}

bool WavWriter::check_format(const std::string& path, int32_t sample_rate, int32_t channels,
                             std::string& error) {
    if (sample_rate <= 0 || (channels != 1 && channels != 2)) {
        error = path + ": cannot be created at " + std::to_string(sample_rate) + " Hz with " +
                std::to_string(channels) + " channels";
        return false;
    }
    path_ = path;
    sample_rate_ = sample_rate;
    channels_ = channels;
    data_bytes_ = 0;
    return true;
}

bool WavWriter::open(const std::string& path, int32_t sample_rate, int32_t channels,
                     std::string& error) {
    if (!check_format(path, sample_rate, channels, error)) {
        return false;
    }
    file_ = std::fopen(path.c_str(), "wb");
    if (file_ == nullptr) {
        error = path + ": cannot be created (" + reason() + ")";
        return false;
    }
    stream_ = false;
    if (!write_header(0)) {
        error = path + ": cannot be written (" + reason() + ")";
        return false;
    }
    return true;
}

bool WavWriter::open_stream(std::FILE* file, const std::string& name, int32_t sample_rate,
                            int32_t channels, uint64_t frames, std::string& error) {
    if (!check_format(name, sample_rate, channels, error)) {
        return false;
    }
    const uint64_t bytes = frames * SAMPLE_BYTES * static_cast<uint64_t>(channels);
    if (bytes > WAV_MOST_DATA_BYTES) {
        error = name + ": too long for a WAV file";
        return false;
    }
    file_ = file;
    stream_ = true;
    if (!write_header(static_cast<uint32_t>(bytes))) {
        error = name + ": cannot be written (" + reason() + ")";
        return false;
    }
    return true;
}

bool WavWriter::write(const int16_t* samples, size_t frames, std::string& error) {
    const size_t count = frames * static_cast<size_t>(channels_);
    if (data_bytes_ + count * SAMPLE_BYTES > WAV_MOST_DATA_BYTES) {
        error = path_ + ": too long for a WAV file";
        return false;
    }
    bytes_.resize(count * SAMPLE_BYTES);
    for (size_t i = 0; i < count; ++i) {
        put_le16(&bytes_[i * SAMPLE_BYTES], static_cast<uint16_t>(samples[i]));
    }
    if (std::fwrite(bytes_.data(), 1, bytes_.size(), file_) != bytes_.size()) {
        error = path_ + ": cannot be written (" + reason() + ")";
        return false;
    }
    data_bytes_ += bytes_.size();
    return true;
}

bool WavWriter::close(std::string& error) {
    if (file_ == nullptr) {
        return true;
    }
    const bool completed = stream_ || (std::fseek(file_, 0, SEEK_SET) == 0 &&
                                       write_header(static_cast<uint32_t>(data_bytes_)));
    const bool closed = stream_ ? std::fflush(file_) == 0 : std::fclose(file_) == 0;
    file_ = nullptr;
    if (!completed || !closed) {
        error = path_ + ": cannot be completed (" + reason() + ")";
        return false;
    }
    return true;
}

bool WavWriter::write_header(uint32_t data_bytes) {
    const uint32_t block_align = SAMPLE_BYTES * static_cast<uint32_t>(channels_);
    uint8_t header[WAV_HEADER_BYTES];
    std::memcpy(header, "RIFF", 4);
    put_le32(header + 4, WAV_HEADER_BYTES - 8 + data_bytes);
    std::memcpy(header + 8, "WAVEfmt ", 8);
    put_le32(header + 16, 16);
    put_le16(header + 20, WAV_FORMAT_PCM);
    put_le16(header + 22, static_cast<uint32_t>(channels_));
    put_le32(header + 24, static_cast<uint32_t>(sample_rate_));
    put_le32(header + 28, static_cast<uint32_t>(sample_rate_) * block_align);
    put_le16(header + 32, block_align);
    put_le16(header + 34, SAMPLE_BYTES * 8);
    std::memcpy(header + 36, "data", 4);
    put_le32(header + 40, data_bytes);
    return std::fwrite(header, 1, sizeof header, file_) == sizeof header;
}

}  // namespace qx
