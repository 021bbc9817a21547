#include "tools/qx/convert/opus_stream.h"

#include <algorithm>

namespace qx {

namespace {

constexpr int32_t BITRATE = 160000;  // stereo, well past where listeners hear a difference
constexpr size_t MAX_PACKET_BYTES = 4000;

void put_le(std::vector<uint8_t>& bytes, uint32_t value, int count) {
    for (int i = 0; i < count; ++i) {
        bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
}

}  // namespace

OpusStream::~OpusStream() {
    if (encoder_ != nullptr) {
        opus_encoder_destroy(encoder_);
    }
    if (resampler_ != nullptr) {
        soxr_delete(resampler_);
    }
}

bool OpusStream::open(int32_t input_rate, std::string& error) {
    input_rate_ = input_rate;
    int status = OPUS_OK;
    encoder_ = opus_encoder_create(RATE, 2, OPUS_APPLICATION_AUDIO, &status);
    if (status != OPUS_OK) {
        encoder_ = nullptr;
        error = std::string("Opus encoder: ") + opus_strerror(status);
        return false;
    }
    opus_encoder_ctl(encoder_, OPUS_SET_BITRATE(BITRATE));
    opus_encoder_ctl(encoder_, OPUS_GET_LOOKAHEAD(&pre_skip_));
    if (input_rate != RATE) {
        // Floating point out: no second rounding to 16 bits (and no random dither), so the same
        // movie always gives the same file.
        const soxr_io_spec_t io = soxr_io_spec(SOXR_INT16_I, SOXR_FLOAT32_I);
        const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
        soxr_error_t failure = nullptr;
        resampler_ = soxr_create(input_rate, RATE, 2, &failure, &io, &quality, nullptr);
        if (failure != nullptr) {
            resampler_ = nullptr;
            error = std::string("resampler: ") + failure;
            return false;
        }
    }
    return true;
}

std::vector<uint8_t> OpusStream::identification_header() const {
    std::vector<uint8_t> header = {'O', 'p', 'u', 's', 'H', 'e', 'a', 'd', 1, 2};
    put_le(header, static_cast<uint32_t>(pre_skip_), 2);
    put_le(header, static_cast<uint32_t>(input_rate_), 4);
    put_le(header, 0, 2);  // output gain
    header.push_back(0);   // channel mapping family: mono or stereo
    return header;
}

bool OpusStream::add(const int16_t* stereo, size_t frames, const PacketSink& sink,
                     std::string& error) {
    input_frames_ += static_cast<int64_t>(frames);
    if (resampler_ == nullptr) {
        resampled_.resize(frames * 2);
        for (size_t i = 0; i < frames * 2; ++i) {
            resampled_[i] = static_cast<float>(stereo[i]) / 32768.0f;
        }
        return code(resampled_.data(), frames, sink, error);
    }
    // Room for every frame the resampler can hand out for this input and what it held back.
    resampled_.resize((frames * RATE / static_cast<size_t>(input_rate_) + 64) * 2);
    size_t done = 0;
    const soxr_error_t failure = soxr_process(resampler_, stereo, frames, nullptr,
                                              resampled_.data(), resampled_.size() / 2, &done);
    if (failure != nullptr) {
        error = std::string("resampler: ") + failure;
        return false;
    }
    return code(resampled_.data(), done, sink, error);
}

bool OpusStream::finish(const PacketSink& sink, std::string& error) {
    // Exactly the length of the input at 48 kHz, however the resampler rounded it.
    const int64_t wanted = input_frames_ * RATE / input_rate_;
    if (resampler_ != nullptr) {
        for (;;) {
            resampled_.resize(4096 * 2);
            size_t done = 0;
            const soxr_error_t failure =
                soxr_process(resampler_, nullptr, 0, nullptr, resampled_.data(), 4096, &done);
            if (failure != nullptr) {
                error = std::string("resampler: ") + failure;
                return false;
            }
            if (done == 0) {
                break;
            }
            const auto room = static_cast<size_t>(std::max<int64_t>(
                0, wanted - coded_frames_ - static_cast<int64_t>(pending_.size() / 2)));
            if (!code(resampled_.data(), std::min(done, room), sink, error)) {
                return false;
            }
        }
    }
    // The look-ahead and the padding of the last packet are coded silence.
    const int64_t have = coded_frames_ + static_cast<int64_t>(pending_.size() / 2);
    const int64_t meant = std::max(have, wanted);
    const int64_t total = meant + pre_skip_;
    const int64_t packets = (total + PACKET_FRAMES - 1) / PACKET_FRAMES;
    const int64_t padding = packets * PACKET_FRAMES - total;
    pending_.resize(static_cast<size_t>(packets * PACKET_FRAMES - coded_frames_) * 2, 0);
    for (size_t at = 0; at < pending_.size(); at += PACKET_FRAMES * 2) {
        const bool last = at + PACKET_FRAMES * 2 >= pending_.size();
        if (!code_packet(pending_.data() + at, last ? padding : 0, sink, error)) {
            return false;
        }
    }
    pending_.clear();
    return true;
}

bool OpusStream::code(const float* stereo, size_t frames, const PacketSink& sink,
                      std::string& error) {
    pending_.insert(pending_.end(), stereo, stereo + frames * 2);
    size_t at = 0;
    // The last packet waits for finish, which knows the padding.
    while (pending_.size() - at > PACKET_FRAMES * 2) {
        if (!code_packet(pending_.data() + at, 0, sink, error)) {
            return false;
        }
        at += PACKET_FRAMES * 2;
    }
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(at));
    return true;
}

bool OpusStream::code_packet(const float* stereo, int64_t discard_frames, const PacketSink& sink,
                             std::string& error) {
    packet_.resize(MAX_PACKET_BYTES);
    const opus_int32 bytes = opus_encode_float(encoder_, stereo, PACKET_FRAMES, packet_.data(),
                                               static_cast<opus_int32>(packet_.size()));
    if (bytes < 0) {
        error = std::string("Opus encoder: ") + opus_strerror(bytes);
        return false;
    }
    coded_frames_ += PACKET_FRAMES;
    const int64_t time_ms = packets_++ * PACKET_FRAMES * 1000 / RATE;
    // Nanoseconds do not divide into samples at 48 kHz: rounded, so that readers that round
    // back get the sample count.
    sink(packet_.data(), static_cast<size_t>(bytes), time_ms,
         (discard_frames * 1000000000 + RATE / 2) / RATE);
    return true;
}

}  // namespace qx
