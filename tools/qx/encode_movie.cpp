#include "tools/qx/encode_movie.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "audio/audio_chunk.h"
#include "authoring/audio_track_writer.h"
#include "player/player_stream.h"
#include "tools/qx/encode_psnr.h"

namespace qx {

namespace {

constexpr char END_TAG[5] = "SCEl";

// Cuts the sound into one chunk per frame, each ending where 1/fps s of sound has passed. XA
// codes whole 28-sample frames and pads a partial one with silence, so its cuts fall on
// whole frames to keep the pieces joining without gaps.
class AudioCutter {
  public:
    AudioCutter(const SoundTrack& sound, double fps, int32_t compression)
        : sound_(sound), fps_(fps), granule_(compression == AUDIO_XA ? 28 : 1) {}

    int64_t boundary(int64_t chunk) const {
        const auto frames = static_cast<int64_t>(
            std::floor(static_cast<double>(chunk) * sound_.sample_rate / fps_));
        return frames / granule_ * granule_;
    }

    bool sound_left(int64_t chunk) const { return boundary(chunk) < sound_.frames(); }

    // Chunk `chunk`'s samples, with silence where the sound has ended.
    const std::vector<int16_t>& piece(int64_t chunk) {
        const int64_t begin = boundary(chunk);
        const int64_t end = boundary(chunk + 1);
        piece_.assign(static_cast<size_t>((end - begin) * sound_.channels), 0);
        const int64_t available = std::clamp<int64_t>(sound_.frames() - begin, 0, end - begin);
        std::copy_n(sound_.samples.begin() + begin * sound_.channels, available * sound_.channels,
                    piece_.begin());
        return piece_;
    }

  private:
    const SoundTrack& sound_;
    double fps_;
    int64_t granule_;
    std::vector<int16_t> piece_;
};

// The player steps over a chunk larger than AUDIO_CHUNK_MAX, and starts playing once it has
// PREFILL_TARGET blocks decoded in its audio arena: a chunk either would not hold would play
// as silence or not at all.
bool audio_chunk_fits(const EncodedAudio& chunk, std::string& error) {
    constexpr size_t DECODED_LIMIT = AUDIO_ARENA_BYTES / PREFILL_TARGET;
    const size_t decoded = chunk.decoded.size() * sizeof(int16_t);
    if (chunk.payload.size() <= AUDIO_CHUNK_MAX && decoded <= DECODED_LIMIT) {
        return true;
    }
    error = "an audio chunk of " + std::to_string(chunk.payload.size()) + " bytes (" +
            std::to_string(decoded) + " decoded) is more than a player takes (" +
            std::to_string(AUDIO_CHUNK_MAX) + ", " + std::to_string(DECODED_LIMIT) +
            "): raise --fps or lower --sample-rate";
    return false;
}

}  // namespace

bool encode_movie(FrameSource& frames, const SoundTrack* sound, const EncodeSettings& settings,
                  MovieWriter& movie, EncodeSummary& summary, std::string& error,
                  const std::function<void(int64_t)>& progress) {
    std::unique_ptr<VideoTrackEncoder> video = make_video_encoder(
        settings.video, settings.quality, frames.width(), frames.height(), error);
    if (!video) {
        return false;
    }
    std::optional<AudioTrackWriter> audio;
    std::optional<AudioCutter> cutter;
    if (sound != nullptr) {
        audio.emplace(movie, sound->channels, sound->sample_rate, settings.compression);
        cutter.emplace(*sound, settings.fps, settings.compression);
    }
    const auto write_audio = [&](int64_t chunk) {
        const EncodedAudio& written = audio->write_chunk(cutter->piece(chunk));
        summary.audio_bytes += int64_t(written.payload.size());
        ++summary.audio_chunks;
        return audio_chunk_fits(written, error);
    };

    PsnrMeter psnr;
    std::vector<uint8_t> rgb;
    std::vector<uint8_t> shown;
    EncodedFrame frame{};
    summary = EncodeSummary{};
    while (settings.frame_limit == 0 || summary.frames < settings.frame_limit) {
        if (!frames.next(rgb, error)) {
            if (!error.empty()) {
                return false;
            }
            break;
        }
        if (!video->encode(rgb, frame, shown, error)) {
            return false;
        }
        movie.chunk(*frame.tag, frame.payload);
        summary.video_bytes += int64_t(frame.payload.size());
        const double frame_psnr = psnr.add(rgb, shown);
        if (frame_psnr < POOR_FRAME_PSNR) {
            summary.poor_frames.emplace_back(summary.frames, frame_psnr);
        }
        if (audio && !write_audio(summary.frames)) {
            return false;
        }
        ++summary.frames;
        if (progress) {
            progress(summary.frames);
        }
    }
    if (summary.frames == 0) {
        error = "the input holds no picture";
        return false;
    }
    // Sound that outlasts the pictures follows them, unless the pictures were cut short on
    // purpose: then the movie ends with its last picture.
    const bool pictures_cut = settings.frame_limit > 0 && frames.frame_count() > summary.frames;
    for (int64_t chunk = summary.frames; audio && !pictures_cut && cutter->sound_left(chunk);
         ++chunk) {
        if (!write_audio(chunk)) {
            return false;
        }
    }
    movie.chunk(END_TAG, {});
    summary.psnr = psnr.overall();
    summary.worst_psnr = psnr.worst();
    summary.worst_frame = psnr.worst_frame();
    return true;
}

}  // namespace qx
