#include "tests/end_to_end/test_movie.h"

#include <algorithm>
#include <cmath>

#include "authoring/audio_track_writer.h"
#include "authoring/mnb_encoder.h"
#include "player/display_params.h"

namespace qx {

TestMovie make_movie(int frames) {
    TestMovie movie;
    AudioTrackWriter audio(movie.writer, 2, RATE, 10);
    MnbEncoder video(60);
    const int width = 64;
    const int height = 48;
    std::vector<uint8_t> rgb(width * height * 3);
    std::vector<int16_t> samples(2 * RATE / FPS);
    for (int frame = 0; frame < frames; ++frame) {
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                uint8_t* pixel = &rgb[(y * width + x) * 3];
                pixel[0] = static_cast<uint8_t>(x * 4 + frame * 8);
                pixel[1] = static_cast<uint8_t>(y * 5);
                pixel[2] = static_cast<uint8_t>(128 + frame);
            }
        }
        movie.writer.chunk(MNB_CHUNK_TAG, video.encode(RgbPicture{width, height, rgb.data()}));
        for (size_t i = 0; i < samples.size() / 2; ++i) {
            const double t = static_cast<double>(frame * samples.size() / 2 + i) / RATE;
            samples[2 * i] = static_cast<int16_t>(8000 * std::sin(2 * M_PI * 440 * t));
            samples[2 * i + 1] = static_cast<int16_t>(6000 * std::sin(2 * M_PI * 660 * t));
        }
        audio.write_chunk(samples);
    }
    movie.writer.chunk("SCEl", {});
    movie.decoded = audio.decoded();
    return movie;
}

size_t heard_run(const std::vector<uint8_t>& heard, const std::vector<int16_t>& decoded) {
    const auto* expected = reinterpret_cast<const uint8_t*>(decoded.data());
    const size_t expected_bytes = decoded.size() * 2;
    size_t best = 0;
    for (size_t offset = 0; offset < heard.size() && offset <= (1u << 20); offset += 4) {
        size_t run = 0;
        while (offset + run < heard.size() && run < expected_bytes &&
               heard[offset + run] == expected[run]) {
            ++run;
        }
        best = std::max(best, run);
    }
    return best;
}

AppBufferPlayer::AppBufferPlayer() : draw(64 * 48 * 2), reference(64 * 48 * 2) {
    params.flags = PLAY_SOUND | PLAY_APP_BUFFERS;
    set_display_pixel_format(params, PixelFormat{32, PIXEL_FORMAT_RGB, 16, 0xF800, 0x07E0, 0x001F});
    params.draw_buffer = draw.data();
    params.reference_buffer = reference.data();
    params.brightness = 100;
}

}  // namespace qx
