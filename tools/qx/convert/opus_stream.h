#pragma once
#include <opus/opus.h>
#include <soxr.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qx {

// Stereo sound at any rate to Opus packets of 20 ms at 48 kHz: resampled by libsoxr where the
// rate differs, and coded by libopus. The packets' times count from the first sample heard;
// the encoder's look-ahead is the stream's pre-skip and the last packet says how much of its
// end is padding, so that a player plays exactly the samples given.
class OpusStream {
  public:
    using PacketSink =
        std::function<void(const uint8_t* data, size_t bytes, int64_t time_ms, int64_t discard_ns)>;
    static constexpr int32_t RATE = 48000;
    static constexpr int32_t PACKET_FRAMES = 960;

    OpusStream() = default;
    ~OpusStream();
    OpusStream(const OpusStream&) = delete;
    OpusStream& operator=(const OpusStream&) = delete;

    bool open(int32_t input_rate, std::string& error);
    bool add(const int16_t* stereo, size_t frames, const PacketSink& sink, std::string& error);
    // The rest of the sound, padded to a whole packet.
    bool finish(const PacketSink& sink, std::string& error);

    // The identification header a WebM track carries as its codec data.
    std::vector<uint8_t> identification_header() const;
    int32_t pre_skip() const { return pre_skip_; }

  private:
    bool code(const float* stereo, size_t frames, const PacketSink& sink, std::string& error);
    bool code_packet(const float* stereo, int64_t discard_frames, const PacketSink& sink,
                     std::string& error);

    int32_t input_rate_ = 0;
    OpusEncoder* encoder_ = nullptr;
    soxr_t resampler_ = nullptr;
    int32_t pre_skip_ = 0;
    int64_t input_frames_ = 0;  // given, at the input rate
    int64_t coded_frames_ = 0;  // resampled frames handed to the encoder
    int64_t packets_ = 0;
    std::vector<float> pending_;  // stereo at 48 kHz waiting for a whole packet
    std::vector<float> resampled_;
    std::vector<uint8_t> packet_;
};

}  // namespace qx
