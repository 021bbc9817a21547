#include "tools/qx/convert_movie.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include "tools/qx/movie_pictures.h"
#include "tools/qx/output_file.h"
#include "tools/qx/picture_planes.h"
#include "tools/qx/picture_scale.h"
#include "tools/qx/webm_encoder.h"

namespace qx {

namespace {

// One picture of the movie ready for the encoder, with the sound heard until the next; the last
// step carries no picture, only the sound after the last one.
struct MovieStep {
    bool has_picture = false;
    PlanarPicture planes;
    int64_t index = 0;
    int64_t time_ms = 0;
    int64_t end_ms = 0;
    std::vector<int16_t> sound;
};

// The movie is decoded on a thread of its own a few steps ahead of the encoders, so that
// decoding and encoding overlap.
class StepQueue {
  public:
    static constexpr size_t AHEAD = 3;

    // False once the encoding side has stopped: the step is not wanted.
    bool push(MovieStep step) {
        std::unique_lock<std::mutex> hold(lock_);
        changed_.wait(hold, [&] { return steps_.size() < AHEAD || stopped_; });
        steps_.push_back(std::move(step));
        changed_.notify_all();
        return !stopped_;
    }
    // False when no step will come any more.
    bool pop(MovieStep& step) {
        std::unique_lock<std::mutex> hold(lock_);
        changed_.wait(hold, [&] { return !steps_.empty() || ended_; });
        if (steps_.empty()) {
            return false;
        }
        step = std::move(steps_.front());
        steps_.pop_front();
        changed_.notify_all();
        return true;
    }
    void end() { set(ended_); }
    void stop() { set(stopped_); }

  private:
    void set(bool& flag) {
        std::lock_guard<std::mutex> hold(lock_);
        flag = true;
        changed_.notify_all();
    }

    std::mutex lock_;
    std::condition_variable changed_;
    std::deque<MovieStep> steps_;
    bool ended_ = false;
    bool stopped_ = false;
};

// The movie's sound from where it stands up to `until_ms` (to its end with a negative time).
void read_sound(qx_movie* movie, int32_t rate, int64_t& read, int64_t until_ms,
                std::vector<int16_t>& sound) {
    constexpr size_t BLOCK_FRAMES = 4096;
    const int64_t wanted = until_ms < 0 ? INT64_MAX : until_ms * rate / 1000;
    sound.clear();
    while (rate > 0 && read < wanted) {
        const auto count = static_cast<size_t>(std::min<int64_t>(BLOCK_FRAMES, wanted - read));
        const size_t at = sound.size();
        sound.resize(at + count * 2);
        const size_t got = qx_read_audio(movie, sound.data() + at, count);
        sound.resize(at + got * 2);
        if (got == 0) {
            return;
        }
        read += static_cast<int64_t>(got);
    }
}

bool decode_steps(MoviePictures& source, const ConvertOptions& options, int32_t sample_rate,
                  StepQueue& queue, std::string& error) {
    RgbImage picture;
    int64_t sound_read = 0;
    int result = 0;
    for (;;) {
        MovieStep step;
        result = source.next(picture, step.index, step.time_ms, error);
        if (result != 1) {
            break;
        }
        step.has_picture = true;
        if (options.scale > 1) {
            picture = enlarge_picture(picture, options.scale, options.smooth);
        }
        if (options.lossless) {
            rgb_to_gbr(picture, step.planes);
        } else {
            rgb_to_ycbcr(picture, true, step.planes);
        }
        step.end_ms = std::max(source.shown_until_ms(step.index), step.time_ms + 1);
        read_sound(source.movie(), sample_rate, sound_read, step.end_ms, step.sound);
        if (!queue.push(std::move(step))) {
            return true;
        }
    }
    if (result == 0) {
        MovieStep last;
        read_sound(source.movie(), sample_rate, sound_read, -1, last.sound);
        queue.push(std::move(last));
    }
    queue.end();
    return result == 0;
}

bool encode_steps(StepQueue& queue, WebmEncoder& encoder, int64_t frames,
                  const std::function<void(double)>& progress, int64_t& end_ms,
                  std::string& error) {
    MovieStep step;
    while (queue.pop(step)) {
        if (step.has_picture) {
            if (!encoder.add_picture(step.planes, step.time_ms, step.end_ms - step.time_ms,
                                     error)) {
                return false;
            }
            end_ms = step.end_ms;
            progress(static_cast<double>(step.index + 1) / static_cast<double>(frames));
        }
        if (!step.sound.empty() &&
            !encoder.add_sound(step.sound.data(), step.sound.size() / 2, error)) {
            return false;
        }
    }
    return true;
}

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
    StepQueue queue;
    std::string decode_error;
    bool decoded = false;
    std::thread decoder([&] {
        decoded = decode_steps(source, options, settings.sample_rate, queue, decode_error);
    });
    int64_t end_ms = 0;
    std::string encode_error;
    const bool encoded = encode_steps(queue, *encoder, info.frames, progress, end_ms, encode_error);
    queue.stop();
    decoder.join();
    if (!decoded) {
        error = decode_error;
        return false;
    }
    if (!encoded || !encoder->finish(std::max(end_ms, source.duration_ms()), encode_error)) {
        error = out + ": " + encode_error;
        return false;
    }
    encoder.reset();
    notes.problems = source.problems();
    notes.dropped = source.dropped();
    return output.commit(error);
}

}  // namespace qx
