#include "tools/qx/convert_movie.h"

#include <algorithm>
#include <memory>

#include "tools/qx/movie_pictures.h"
#include "tools/qx/output_file.h"
#include "tools/qx/picture_planes.h"
#include "tools/qx/picture_scale.h"
#include "tools/qx/webm_encoder.h"

namespace {

// Hands the encoder the movie's sound up to `until_ms` (all of it with a negative time), so
// that sound and pictures reach it side by side.
class SoundFeed {
  public:
    SoundFeed(qx_movie* movie, int32_t sample_rate) : movie_(movie), rate_(sample_rate) {}

    bool until(int64_t until_ms, WebmEncoder& encoder, std::string& error) {
        if (rate_ == 0) {
            return true;
        }
        constexpr size_t BLOCK_FRAMES = 4096;
        const int64_t wanted = until_ms < 0 ? INT64_MAX : until_ms * rate_ / 1000;
        while (read_ < wanted) {
            const auto count = static_cast<size_t>(std::min<int64_t>(BLOCK_FRAMES, wanted - read_));
            samples_.resize(count * 2);
            const size_t got = qx_read_audio(movie_, samples_.data(), count);
            if (got == 0) {
                rate_ = 0;  // the sound has ended
                return true;
            }
            read_ += static_cast<int64_t>(got);
            if (!encoder.add_sound(samples_.data(), got, error)) {
                return false;
            }
        }
        return true;
    }

  private:
    qx_movie* movie_;
    int32_t rate_;
    int64_t read_ = 0;
    std::vector<int16_t> samples_;
};

}  // namespace

bool convert_movie(const std::string& movie, const std::string& out, const ConvertOptions& options,
                   const std::function<void(double)>& progress, ConvertNotes& notes,
                   std::string& error) {
    MoviePictures source;
    if (!source.open(movie, options.fps, error)) {
        return false;
    }
    const qx_info& info = source.info();
    const bool has_sound = info.sample_rate > 0 && info.audio_frames > 0;
    if (info.frames == 0 && !has_sound) {
        error = movie + ": holds neither pictures nor sound";
        return false;
    }
    WebmSettings settings;
    if (info.frames > 0) {
        settings.width = std::max(info.max_width, 1) * options.scale;
        settings.height = std::max(info.max_height, 1) * options.scale;
    }
    settings.lossless = options.lossless;
    settings.quality = options.quality;
    settings.threads = options.threads;
    settings.frame_rate = info.fps > 0 ? info.fps : 15;
    settings.sample_rate = has_sound ? info.sample_rate : 0;

    OutputFile output;
    if (!output.create(out, error)) {
        return false;
    }
    std::unique_ptr<WebmEncoder> encoder = open_webm_encoder(output.fd(), settings, error);
    if (encoder == nullptr) {
        error = out + ": " + error;
        return false;
    }
    SoundFeed sound(source.movie(), settings.sample_rate);
    RgbImage picture;
    PlanarPicture planes;
    int64_t index = 0;
    int64_t time_ms = 0;
    int64_t end_ms = 0;
    int result = 0;
    while ((result = source.next(picture, index, time_ms, error)) == 1) {
        if (options.scale > 1) {
            picture = enlarge_picture(picture, options.scale, options.smooth);
        }
        if (options.lossless) {
            rgb_to_gbr(picture, planes);
        } else {
            rgb_to_ycbcr(picture, true, planes);
        }
        end_ms = std::max(source.shown_until_ms(index), time_ms + 1);
        if (!encoder->add_picture(planes, time_ms, end_ms - time_ms, error) ||
            !sound.until(end_ms, *encoder, error)) {
            error = out + ": " + error;
            return false;
        }
        progress(static_cast<double>(index + 1) / static_cast<double>(info.frames));
    }
    if (result < 0) {
        return false;
    }
    if (!sound.until(-1, *encoder, error) ||
        !encoder->finish(std::max(end_ms, source.duration_ms()), error)) {
        error = out + ": " + error;
        return false;
    }
    encoder.reset();
    notes.problems = source.problems();
    notes.dropped = source.dropped();
    return output.commit(error);
}
