#include "tests/support/movie_builders.h"

namespace qx {

std::vector<uint8_t> video_payload(uint32_t bytes, uint16_t width, uint16_t height) {
    std::vector<uint8_t> payload(bytes, 0);
    const uint8_t header[] = {static_cast<uint8_t>(width), static_cast<uint8_t>(width >> 8),
                              static_cast<uint8_t>(height), static_cast<uint8_t>(height >> 8)};
    for (uint32_t i = 0; i < bytes && i < 4; ++i) {
        payload[i] = header[i];
    }
    return payload;
}

std::vector<uint8_t> pcm_payload(uint32_t frames) {
    std::vector<uint8_t> payload(4 + 2 * frames, 0);
    for (int i = 0; i < 4; ++i) {
        payload[i] = static_cast<uint8_t>(frames >> (8 * i));
    }
    return payload;
}

MovieWriter video_only_movie(int frames, uint32_t bytes) {
    MovieWriter writer;
    for (int i = 0; i < frames; ++i) {
        writer.chunk("pBNM", video_payload(bytes));
    }
    writer.chunk("SCEl", {});
    return writer;
}

MovieWriter audio_video_movie(int frames, uint32_t audio_frames) {
    MovieWriter writer;
    writer.audio_header(1, 22050, 0);
    for (int i = 0; i < frames; ++i) {
        writer.chunk("pBNM", video_payload(64));
        writer.chunk("SCDl", pcm_payload(audio_frames));
    }
    writer.chunk("SCEl", {});
    return writer;
}

}  // namespace qx
