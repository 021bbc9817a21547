// qx_next_frame against the decoding `qx export` did before it went through the interface: the
// player's reader and decoders writing 5-6-5 pictures into two application buffers, on the
// same movies in memory (the demo Mnb movie, and Rkd and Zle movies of its pictures). Only the
// decoding of every frame is timed; opening a movie is not. Compare the pairs' frames a second.
#include <benchmark/benchmark.h>

#include <qxplay/qxplay.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/file.h"
#include "player/display_params.h"
#include "player/player_stream.h"
#include "player/reader.h"
#include "tools/qx/encode_demo.h"
#include "tools/qx/encode_movie.h"
#include "video/display_setup.h"
#include "video/frame_dispatch.h"

namespace qx {

namespace {

// Fewer frames for the codecs whose encoders are slow: the pace of decoding is what counts.
constexpr int64_t SHORT_FRAMES = 60;

std::vector<uint8_t> demo_movie(VideoFormat video, int64_t frames) {
    EncodeSettings settings;
    settings.video = video;
    settings.fps = DEMO_FPS;
    settings.frame_limit = frames;
    const std::unique_ptr<FrameSource> pictures = make_demo_frames(frames);
    const SoundTrack sound = demo_sound(DEMO_SAMPLE_RATE, static_cast<double>(frames) / DEMO_FPS);
    MovieWriter writer;
    EncodeSummary summary;
    std::string error;
    return encode_movie(*pictures, &sound, settings, writer, summary, error)
               ? writer.bytes()
               : std::vector<uint8_t>{};
}

const std::vector<uint8_t>& movie_of(int64_t codec) {
    static const std::vector<uint8_t> movies[] = {demo_movie(VideoFormat::Mnb, DEMO_FRAMES),
                                                  demo_movie(VideoFormat::Rkd, SHORT_FRAMES),
                                                  demo_movie(VideoFormat::Zle, SHORT_FRAMES)};
    return movies[codec];
}

void name_codec(benchmark::State& state) {
    static const char* const names[] = {"mnb", "rkd", "zle"};
    state.SetLabel(names[state.range(0)]);
}

// The export's former path: every chunk through read_chunk, every frame decoded into the
// draw buffer, the buffers exchanged after it.
class ReaderDecoding {
  public:
    explicit ReaderDecoding(const std::vector<uint8_t>& movie) {
        params_.flags = PLAY_APP_FILE | PLAY_APP_BUFFERS | PLAY_KEEP_BRIGHTNESS;
        params_.file = file_open_memory(movie.data(), movie.size());
        context_ = player_open_stream(nullptr, nullptr, params_);
        set_display_pixel_format(params_,
                                 PixelFormat{32, PIXEL_FORMAT_RGB, 16, 0xF800, 0x07E0, 0x001F});
        params_.brightness = 100;
        params_.draw_buffer = draw_.data();
        params_.reference_buffer = reference_.data();
        params_.buffer_bytes = static_cast<uint32_t>(draw_.size());
        setup_display(context_->video);
    }
    ReaderDecoding(const ReaderDecoding&) = delete;
    ReaderDecoding& operator=(const ReaderDecoding&) = delete;
    ~ReaderDecoding() {
        release_display(context_->video);
        player_close_stream(context_);
        file_close(params_.file, 0);
    }

    int64_t decode_all() {
        int64_t frames = 0;
        for (;;) {
            VideoFrameSlot& slot = ring_back(context_->reader.video_ring);
            const int32_t result = read_chunk(*context_);
            if (result == READ_VIDEO) {
                frames += decode_video_frame(context_->video, payload_of(slot)) ? 1 : 0;
                swap_work_surfaces(context_->video);
                release_video_slot(*context_);
            } else if (result == READ_AUDIO) {
                release_audio_slot(*context_);
            } else if (result == READ_END || result == READ_ERROR) {
                return frames;
            }
        }
    }

  private:
    std::vector<uint8_t> draw_ = std::vector<uint8_t>(size_t{DEMO_WIDTH} * DEMO_HEIGHT * 2);
    std::vector<uint8_t> reference_ = std::vector<uint8_t>(draw_.size());
    PlayParams params_{};
    PlayerContext* context_ = nullptr;
};

void BM_ExportDecoding(benchmark::State& state) {
    const std::vector<uint8_t>& movie = movie_of(state.range(0));
    int64_t frames = 0;
    std::optional<ReaderDecoding> decoding;
    for (auto _ : state) {
        state.PauseTiming();
        decoding.emplace(movie);
        state.ResumeTiming();
        frames += decoding->decode_all();
        state.PauseTiming();
        decoding.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(frames);
    name_codec(state);
}

void BM_NextFrame(benchmark::State& state) {
    const std::vector<uint8_t>& movie = movie_of(state.range(0));
    qx_options options;
    qx_default_options(&options);
    options.pixels = QX_PIXELS_RGB565;
    int64_t frames = 0;
    for (auto _ : state) {
        state.PauseTiming();
        qx_movie* opened = qx_open_memory(movie.data(), movie.size(), &options, nullptr);
        state.ResumeTiming();
        qx_frame frame;
        while (qx_next_frame(opened, &frame) == 1) {
            frames += frame.dropped ? 0 : 1;
        }
        state.PauseTiming();
        qx_close(opened);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(frames);
    name_codec(state);
}

// Side by side for each movie, so that one run gives the ratios (on a busy machine, with
// --benchmark_enable_random_interleaving and repetitions).
BENCHMARK(BM_ExportDecoding)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NextFrame)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportDecoding)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NextFrame)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportDecoding)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NextFrame)->Arg(2)->Unit(benchmark::kMillisecond);

}  // namespace

}  // namespace qx
