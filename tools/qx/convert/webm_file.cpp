#include <unistd.h>
#include <cstdio>
#include <deque>
#include <optional>

#include "tools/qx/convert/opus_stream.h"
#include "tools/qx/convert/vp9_stream.h"
#include "tools/qx/convert/webm_muxer.h"
#include "tools/qx/webm_encoder.h"

namespace qx {

namespace {

struct Packet {
    int64_t time_ms;
    std::vector<uint8_t> data;
    bool key;
    int64_t discard_ns;
};

// The two encoders hand out packets at their own pace; the file wants them in time order, so
// each waits until the other stream has passed its time or has ended.
class WebmFile : public WebmEncoder {
  public:
    bool open(int fd, const WebmSettings& settings, std::string& error) {
        const int own = dup(fd);
        file_ = own >= 0 ? fdopen(own, "wb") : nullptr;
        if (file_ == nullptr) {
            if (own >= 0) {
                close(own);
            }
            error = "cannot write the output";
            return false;
        }
        WebmVideoTrack video;
        WebmAudioTrack audio;
        if (settings.width > 0) {
            Vp9Settings vp9;
            vp9.width = settings.width;
            vp9.height = settings.height;
            vp9.lossless = settings.lossless;
            vp9.quality = settings.quality;
            vp9.threads = settings.threads;
            // A key frame every two seconds or so: where seeking lands at once.
            vp9.keyframe_every = static_cast<int>(settings.frame_rate * 2 + 0.5);
            video_.emplace();
            if (!video_->open(vp9, error)) {
                return false;
            }
            video = {settings.width, settings.height, settings.lossless, !settings.lossless};
        }
        if (settings.sample_rate > 0) {
            sound_.emplace();
            if (!sound_->open(settings.sample_rate, error)) {
                return false;
            }
            audio.codec_private = sound_->identification_header();
            audio.codec_delay_ns =
                static_cast<uint64_t>(sound_->pre_skip()) * 1000000000 / OpusStream::RATE;
            audio.seek_preroll_ns = 80000000;  // Opus needs 80 ms to converge after a seek
        }
        return muxer_.begin(file_, video_ ? &video : nullptr, sound_ ? &audio : nullptr, error);
    }

    ~WebmFile() override {
        if (file_ != nullptr) {
            std::fclose(file_);
        }
    }

    bool add_picture(const PlanarPicture& picture, int64_t time_ms, int64_t duration_ms,
                     std::string& error) override {
        if (!video_->encode(picture, time_ms, duration_ms, video_sink_, error)) {
            return false;
        }
        interleave(false);
        return true;
    }

    bool add_sound(const int16_t* stereo, size_t frames, std::string& error) override {
        if (!sound_->add(stereo, frames, sound_sink_, error)) {
            return false;
        }
        interleave(false);
        return true;
    }

    bool finish(int64_t duration_ms, std::string& error) override {
        if ((video_ && !video_->flush(video_sink_, error)) ||
            (sound_ && !sound_->finish(sound_sink_, error))) {
            return false;
        }
        interleave(true);
        if (!muxer_.finish(duration_ms, error)) {
            return false;
        }
        if (std::fflush(file_) != 0) {
            error = "cannot write the output";
            return false;
        }
        return true;
    }

  private:
    void interleave(bool ended) {
        for (;;) {
            const bool video_next = !video_waiting_.empty() &&
                                    (sound_waiting_.empty() ? (ended || !sound_)
                                                            : video_waiting_.front().time_ms <=
                                                                  sound_waiting_.front().time_ms);
            const bool sound_next = !video_next && !sound_waiting_.empty() &&
                                    (ended || !video_ || !video_waiting_.empty());
            if (video_next) {
                const Packet& packet = video_waiting_.front();
                muxer_.add_video(packet.time_ms, packet.data.data(), packet.data.size(),
                                 packet.key);
                video_waiting_.pop_front();
            } else if (sound_next) {
                const Packet& packet = sound_waiting_.front();
                muxer_.add_audio(packet.time_ms, packet.data.data(), packet.data.size(),
                                 packet.discard_ns);
                sound_waiting_.pop_front();
            } else {
                return;
            }
        }
    }

    std::FILE* file_ = nullptr;
    WebmMuxer muxer_;
    std::optional<Vp9Stream> video_;
    std::optional<OpusStream> sound_;
    std::deque<Packet> video_waiting_;
    std::deque<Packet> sound_waiting_;
    Vp9Stream::PacketSink video_sink_ = [this](const uint8_t* data, size_t bytes, int64_t time_ms,
                                               bool key) {
        video_waiting_.push_back({time_ms, std::vector<uint8_t>(data, data + bytes), key, 0});
    };
    OpusStream::PacketSink sound_sink_ = [this](const uint8_t* data, size_t bytes, int64_t time_ms,
                                                int64_t discard_ns) {
        sound_waiting_.push_back(
            {time_ms, std::vector<uint8_t>(data, data + bytes), true, discard_ns});
    };
};

}  // namespace

WebmEncoder* qx_open_webm_encoder(int fd, const WebmSettings& settings, std::string& error) {
    auto file = std::make_unique<WebmFile>();
    if (!file->open(fd, settings, error)) {
        return nullptr;
    }
    return file.release();
}

// Programs that link the encoders (the tests) call them directly; `qx` reaches them through
// the module.
std::unique_ptr<WebmEncoder> open_webm_encoder(int fd, const WebmSettings& settings,
                                               std::string& error) {
    return std::unique_ptr<WebmEncoder>(qx_open_webm_encoder(fd, settings, error));
}

}  // namespace qx
