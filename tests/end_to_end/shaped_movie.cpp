#include "tests/end_to_end/shaped_movie.h"

#include <cmath>

#include "authoring/audio_track_writer.h"
#include "authoring/mnb_encoder.h"
#include "authoring/rkd_encoder.h"
#include "authoring/zle_encoder.h"
#include "format/video_kinds.h"
#include "platform/kernel.h"
#include "player/display_params.h"
#include "player/player.h"

namespace qx {

namespace {

// A square moving over a still background: most of each picture repeats the previous one.
std::vector<uint8_t> picture(int32_t frame) {
    std::vector<uint8_t> rgb(SHAPED_WIDTH * SHAPED_HEIGHT * 3);
    for (int32_t y = 0; y < SHAPED_HEIGHT; ++y) {
        for (int32_t x = 0; x < SHAPED_WIDTH; ++x) {
            uint8_t* pixel = &rgb[(y * SHAPED_WIDTH + x) * 3];
            const bool square = x >= (frame * 3) % (SHAPED_WIDTH - 8) &&
                                x < (frame * 3) % (SHAPED_WIDTH - 8) + 8 && y >= 8 && y < 16;
            pixel[0] = square ? 230 : static_cast<uint8_t>(x * 3);
            pixel[1] = square ? 40 : static_cast<uint8_t>(y * 6);
            pixel[2] = square ? 60 : 120;
        }
    }
    return rgb;
}

class PictureTrack {
  public:
    PictureTrack(MovieWriter& writer, const MovieShape& shape)
        : writer_(writer),
          kind_(shape.video_kind),
          key_interval_(shape.key_interval),
          zle_(ZleEncoderOptions{}),
          rkd_(RkdEncoderOptions{{}, {}, shape.key_interval}) {}

    void write(int32_t frame, ShapedMovie& movie) {
        if (key_interval_ > 0 && frame % key_interval_ == 0) {
            zle_.restart();
        }
        const std::vector<uint8_t> rgb = picture(frame);
        const RgbPicture rgb_picture{SHAPED_WIDTH, SHAPED_HEIGHT, rgb.data()};
        if (kind_ == VIDEO_MNB) {
            writer_.chunk(MNB_CHUNK_TAG, mnb_.encode(rgb_picture));
        } else if (kind_ == VIDEO_ZLE) {
            writer_.chunk(ZLE_CHUNK_TAG, zle_.encode(rgb_picture));
            movie.copied_macroblocks += zle_.last_frame().copied_macroblocks;
        } else {
            const auto chunk = rkd_.encode_rgb(SHAPED_WIDTH, SHAPED_HEIGHT, rgb);
            writer_.chunk(chunk->tag(), chunk->payload);
        }
    }

  private:
    MovieWriter& writer_;
    int32_t kind_;
    int32_t key_interval_;
    MnbEncoder mnb_{75};
    ZleEncoder zle_;
    RkdEncoder rkd_;
};

class SoundTrack {
  public:
    SoundTrack(MovieWriter& writer, const MovieShape& shape)
        : audio_(writer, 2, shape.sample_rate, shape.audio_compression),
          samples_(2 * static_cast<size_t>(shape.sample_rate / shape.fps)),
          rate_(shape.sample_rate) {}

    void write(ShapedMovie& movie) {
        movie.audio_chunk_starts.push_back(audio_.decoded().size());
        for (size_t i = 0; i < samples_.size() / 2; ++i) {
            const double t = static_cast<double>(written_++) / rate_;
            samples_[2 * i] = static_cast<int16_t>(7000 * std::sin(2 * M_PI * 440 * t));
            samples_[2 * i + 1] = static_cast<int16_t>(5000 * std::sin(2 * M_PI * 550 * t));
        }
        audio_.write_chunk(samples_);
    }
    const std::vector<int16_t>& decoded() const { return audio_.decoded(); }

  private:
    AudioTrackWriter audio_;
    std::vector<int16_t> samples_;
    int32_t rate_;
    int64_t written_ = 0;
};

RecordedPlay* recording = nullptr;
AppBufferPlay* playing = nullptr;

// Runs on the player's thread after each frame, while the draw buffer holds it.
int record_frame() {
    PlayParams& params = playing->params;
    const auto* draw = params.draw_buffer;
    const std::vector<uint8_t> picture(draw, draw + playing->draw.size());
    const int32_t frame = static_cast<int32_t>(recording->pictures.size());
    recording->pictures.push_back(bytes_hash(picture));
    recording->lags.push_back(params.lag);
    if (frame == recording->stall_after_frame) {
        sleep_ms(STALL_MS);
    }
    if (frame == recording->brightness_after_frame) {
        player_set_brightness(params, recording->brightness);
    }
    return 0;
}

}  // namespace

uint64_t bytes_hash(const std::vector<uint8_t>& bytes) {
    uint64_t hash = 14695981039346656037ull;
    for (const uint8_t byte : bytes) {
        hash = (hash ^ byte) * 1099511628211ull;
    }
    return hash;
}

int64_t ShapedMovie::sound_ms() const {
    return static_cast<int64_t>(decoded.size() / 2) * 1000 / sample_rate;
}

ShapedMovie shaped_movie(const MovieShape& shape) {
    ShapedMovie movie;
    movie.sample_rate = shape.sample_rate;
    PictureTrack pictures(movie.writer, shape);
    if (!shape.sound) {
        for (int32_t frame = 0; frame < shape.frames; ++frame) {
            pictures.write(frame, movie);
        }
        movie.writer.chunk("SCEl", {});
        return movie;
    }
    SoundTrack sound(movie.writer, shape);
    for (int32_t i = 0; i < shape.sound_lead; ++i) {
        sound.write(movie);
    }
    for (int32_t frame = 0; frame < shape.frames; ++frame) {
        pictures.write(frame, movie);
        if (frame < shape.frames - shape.sound_short) {
            sound.write(movie);
        }
    }
    for (int32_t i = 0; i < shape.sound_tail; ++i) {
        sound.write(movie);
    }
    movie.writer.chunk("SCEl", {});
    movie.decoded = sound.decoded();
    return movie;
}

AppBufferPlay::AppBufferPlay(uint32_t flags)
    : draw(SHAPED_WIDTH * SHAPED_HEIGHT * 2), reference(draw.size()) {
    params.flags = flags | PLAY_APP_BUFFERS | PLAY_CALLBACK;
    set_display_pixel_format(params, PixelFormat{32, PIXEL_FORMAT_RGB, 16, 0xF800, 0x07E0, 0x001F});
    params.draw_buffer = draw.data();
    params.reference_buffer = reference.data();
    params.buffer_bytes = static_cast<uint32_t>(draw.size());
    params.brightness = 100;
    params.frame_callback = record_frame;
    recording = &record;
    playing = this;
}

void AppBufferPlay::play(const char* path) {
    if (player_start(path, nullptr, params) == &params) {
        while (interlocked_load(params.status) != PLAYER_CLOSED) {
            sleep_ms(5);
        }
    }
}

}  // namespace qx
