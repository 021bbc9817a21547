// Rkd decoding speed: key frames (unpacking), inter frames (block assembly) and conversion to
// display pixels, and whole frames against the machine's memcpy of the same output.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "authoring/rkd_encoder.h"
#include "base/memory.h"
#include "bench/thread_time.h"
#include "codecs/rkd/rkd_buffers.h"
#include "codecs/rkd/rkd_convert.h"
#include "codecs/rkd/rkd_inter_frame.h"
#include "codecs/rkd/rkd_key_frame.h"
#include "codecs/rkd/rkd_unpack.h"
#include "tests/codecs/rkd/rkd_test_support.h"

namespace qx {

namespace {

struct Movie {
    RkdChunk key;
    RkdChunk inter;
};

// The pictures of the frame benchmarks: the whole drawn picture panning, or a still background
// with a textured region of half its width and height moving across it.
enum Scene : int32_t { SCENE_PANNING = 0, SCENE_STILL_BACKGROUND = 1 };

std::vector<uint8_t> scene_picture(int32_t width, int32_t height, int32_t scene, int32_t shift) {
    if (scene == SCENE_PANNING) {
        return rkd_drawn_picture(width, height, shift);
    }
    std::vector<uint8_t> pixels = rkd_drawn_picture(width, height, 0);
    for (int32_t y = height / 4; y < 3 * height / 4; ++y) {
        for (int32_t x = width / 4; x < 3 * width / 4; ++x) {
            pixels[size_t(y) * size_t(width) + size_t(x)] =
                uint8_t(150 + ((x + shift) * 7 + y * 3) % 50);
        }
    }
    return pixels;
}

Movie encode_movie(int32_t width, int32_t height, int32_t scene = SCENE_PANNING) {
    RkdPalette palette;
    palette.count = 256;
    for (size_t i = 0; i < 768; ++i) {
        palette.rgb[i] = uint8_t(i * 37);
    }
    RkdEncoder encoder;
    encoder.set_palette(palette);
    Movie movie{*encoder.encode_indexed(width, height, scene_picture(width, height, scene, 0)), {}};
    movie.inter = *encoder.encode_indexed(width, height, scene_picture(width, height, scene, 2));
    return movie;
}

// A context that has decoded the movie's key frame for a 5-6-5 display.
struct Player {
    explicit Player(const Movie& movie) {
        const std::vector<uint8_t>& key = movie.key.payload;
        rkd_read_key_header(c.rkd, c.size, key.data(), uint32_t(key.size()));
        rkd_decode_key_frame(c.rkd, key.data(), uint32_t(key.size()));
        rkd_build_pixel_table(c.rkd, c.format());
    }
    size_t pixels() const { return size_t(c.size.width) * size_t(c.size.height); }

    RkdContext c;
};

void set_rates(benchmark::State& state, size_t bytes_per_frame) {
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes_per_frame));
}

// Decodes the movie's key frame (kind 1) or inter frame (kind 2) over and over.
void BM_RkdDecode(benchmark::State& state) {
    Movie movie = encode_movie(int32_t(state.range(0)), int32_t(state.range(1)));
    Player player(movie);
    bool key = state.range(2) == VIDEO_RKD_KEY;
    const std::vector<uint8_t>& payload = key ? movie.key.payload : movie.inter.payload;
    const RkdFrame frame = player.c.described();
    for (auto _ : state) {
        if (key) {
            rkd_decode_key_frame(player.c.rkd, payload.data(), uint32_t(payload.size()));
        } else {
            rkd_decode_inter_frame(player.c.rkd, frame, payload.data(), uint32_t(payload.size()));
        }
        benchmark::DoNotOptimize(player.c.rkd.rkd_frame);
    }
    set_rates(state, player.pixels());
}

template <RkdUnpackResult (*unpack)(const uint8_t*, size_t, uint8_t*, size_t)>
void BM_RkdUnpack(benchmark::State& state) {
    Movie movie = encode_movie(int32_t(state.range(0)), int32_t(state.range(1)));
    std::vector<uint8_t> packed(movie.key.payload.begin() + 12 + 768, movie.key.payload.end());
    std::vector<uint8_t> picture(size_t(state.range(0)) * size_t(state.range(1)));
    for (auto _ : state) {
        unpack(packed.data(), packed.size(), picture.data(), picture.size());
        benchmark::DoNotOptimize(picture.data());
    }
    set_rates(state, picture.size());
}

void BM_RkdConvert(benchmark::State& state) {
    Movie movie = encode_movie(int32_t(state.range(0)), int32_t(state.range(1)));
    Player player(movie);
    bool palettised = state.range(2) & 1;
    bool double_width = state.range(2) & 2;
    player.c.params.colour_bits = palettised ? 8 : 16;
    player.c.params.flags = double_width ? PLAY_DOUBLE_WIDTH : 0;
    rkd_build_pixel_table(player.c.rkd, player.c.format());
    size_t bytes = player.pixels() * (palettised ? 1 : 2) * (double_width ? 2 : 1);
    std::vector<uint8_t> picture(bytes);
    for (auto _ : state) {
        rkd_convert_picture(player.c.rkd, player.c.described(), picture.data(), picture.size());
        benchmark::DoNotOptimize(picture.data());
    }
    set_rates(state, bytes);
}

// The pair table made anew, as a key frame with a new palette or brightness makes it.
void BM_RkdFillPixelPairs(benchmark::State& state) {
    RkdPixelTable table;
    for (uint32_t i = 0; i < 256; ++i) {
        table.entries[i] = i * 0x01010101u;
    }
    auto pairs = std::make_unique<RkdPixelPairs>();
    for (auto _ : state) {
        rkd_fill_pixel_pairs(*pairs, table);
        benchmark::DoNotOptimize(pairs->entries);
    }
    set_rates(state, sizeof(RkdPixelPairs));
}

void BM_RkdConvertReference(benchmark::State& state) {
    Movie movie = encode_movie(int32_t(state.range(0)), int32_t(state.range(1)));
    Player player(movie);
    std::vector<uint8_t> picture(player.pixels() * 2);
    RkdConversion conversion{player.c.rkd.rkd_frame,
                             player.c.size.width,
                             player.c.size.height,
                             &player.c.rkd.rkd_pixel_table,
                             nullptr,
                             false,
                             false,
                             picture.data(),
                             picture.size()};
    for (auto _ : state) {
        rkd_convert_reference(conversion);
        benchmark::DoNotOptimize(picture.data());
    }
    set_rates(state, picture.size());
}

// A picture allocated as the player allocates its own.
class PlayerPicture {
  public:
    explicit PlayerPicture(size_t bytes)
        : bytes_(bytes), data_(static_cast<uint8_t*>(memory_allocate_zeroed(bytes))) {}
    ~PlayerPicture() { memory_free(data_); }
    PlayerPicture(const PlayerPicture&) = delete;
    PlayerPicture& operator=(const PlayerPicture&) = delete;
    void swap(PlayerPicture& other) noexcept {
        std::swap(bytes_, other.bytes_);
        std::swap(data_, other.data_);
    }
    uint8_t* data() const { return data_; }
    size_t size() const { return bytes_; }

  private:
    size_t bytes_;
    uint8_t* data_;
};

// A whole frame as the player takes it, decode and conversion to 5-6-5 pixels into the two
// pictures it takes turns with, timed beside a memcpy of the same 16-bit output in the same
// loop, so the ratio holds on a shared machine. The inter frame is decoded over and over, each
// time on the picture the last one made. memcpy_ratio is the frame's speed as a share of
// memcpy's (1 would be memcpy's speed). Every other turn times the conversion on its own
// (convert_us) and leaves the frame's time out: a read of the thread's clock is a system call
// (about half a microsecond), and the frame's span must hold no more of them than memcpy's.
void BM_RkdFrameAgainstMemcpy(benchmark::State& state) {
    Movie movie =
        encode_movie(int32_t(state.range(0)), int32_t(state.range(1)), int32_t(state.range(3)));
    Player player(movie);
    bool key = state.range(2) == VIDEO_RKD_KEY;
    const std::vector<uint8_t>& payload = key ? movie.key.payload : movie.inter.payload;
    const RkdFrame frame = player.c.described();
    const size_t bytes = player.pixels() * 2;
    // All four pictures come from the player's allocator, as its own two pictures do.
    PlayerPicture copy_from(bytes), copy_to(bytes), draw(bytes), reference(bytes);
    std::memset(copy_from.data(), 1, bytes);
    double copy_seconds = 0;
    double frame_seconds = 0;
    double convert_seconds = 0;
    int64_t turn = 0;
    for (auto _ : state) {
        const bool conversion_apart = turn++ % 2 == 1;
        const double start = thread_seconds();
        std::memcpy(copy_to.data(), copy_from.data(), bytes);
        benchmark::DoNotOptimize(copy_to.data());
        const double copied = thread_seconds();
        if (key) {
            rkd_decode_key_frame(player.c.rkd, payload.data(), uint32_t(payload.size()));
        } else {
            rkd_decode_inter_frame(player.c.rkd, frame, payload.data(), uint32_t(payload.size()));
        }
        const double decoded = conversion_apart ? thread_seconds() : 0;
        rkd_convert_kept_picture(player.c.rkd, frame, draw.data(), draw.size());
        benchmark::DoNotOptimize(draw.data());
        const double done = thread_seconds();
        draw.swap(reference);
        copy_seconds += copied - start;
        if (conversion_apart) {
            convert_seconds += done - decoded;
        } else {
            frame_seconds += done - copied;
        }
    }
    set_rates(state, bytes);
    const double frames = double((turn + 1) / 2);
    const double conversions = double(turn / 2);
    const double copy_us = 1e6 * copy_seconds / double(turn);
    const double frame_us = frames > 0 ? 1e6 * frame_seconds / frames : 0;
    state.counters["memcpy_ratio"] = frame_us > 0 ? copy_us / frame_us : 0;
    state.counters["frame_us"] = frame_us;
    state.counters["convert_us"] = conversions > 0 ? 1e6 * convert_seconds / conversions : 0;
    state.counters["memcpy_us"] = copy_us;
}

}  // namespace

BENCHMARK(BM_RkdDecode)
    ->ArgNames({"width", "height", "kind"})
    ->Args({320, 240, VIDEO_RKD_KEY})
    ->Args({640, 480, VIDEO_RKD_KEY})
    ->Args({320, 240, VIDEO_RKD_INTER})
    ->Args({640, 480, VIDEO_RKD_INTER});
BENCHMARK(BM_RkdUnpack<rkd_unpack>)->Args({320, 240})->Args({640, 480});
BENCHMARK(BM_RkdUnpack<rkd_unpack_reference>)->Args({320, 240})->Args({640, 480});
BENCHMARK(BM_RkdConvert)
    ->Args({320, 240, 0})
    ->Args({640, 480, 0})
    ->Args({640, 480, 1})
    ->Args({640, 480, 2})
    ->Args({640, 480, 3});
BENCHMARK(BM_RkdFillPixelPairs);
BENCHMARK(BM_RkdConvertReference)->Args({320, 240})->Args({640, 480});
BENCHMARK(BM_RkdFrameAgainstMemcpy)
    ->ArgNames({"width", "height", "kind", "scene"})
    ->Args({640, 480, VIDEO_RKD_KEY, SCENE_PANNING})
    ->Args({640, 480, VIDEO_RKD_INTER, SCENE_PANNING})
    ->Args({640, 480, VIDEO_RKD_INTER, SCENE_STILL_BACKGROUND})
    ->Args({1920, 1080, VIDEO_RKD_KEY, SCENE_PANNING})
    ->Args({1920, 1080, VIDEO_RKD_INTER, SCENE_PANNING})
    ->Args({1920, 1080, VIDEO_RKD_INTER, SCENE_STILL_BACKGROUND});

}  // namespace qx
