// Any bytes as a whole movie through the public interface: opened from memory in a pixel format
// its first byte picks, listed frame by frame, block by block and chunk by chunk, then
// pictures, sound and seeks interleaved as its last bytes say. Every
// call must return, within the input's own bounds, whatever the bytes hold.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "qxplay/qxplay.h"

namespace qx {

namespace {

// Operations taken from the input's last bytes, one a byte.
constexpr size_t OPERATIONS = 12;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    qx_options options;
    qx_default_options(&options);
    if (size > 0) {
        options.pixels = static_cast<qx_pixels>(data[0] % 5);
        options.double_width = data[0] >> 3 & 1;
        options.stop_at_damage = data[0] >> 4 & 1;
    }
    qx_movie* movie = qx_open_memory(data, size, &options, nullptr);
    if (movie == nullptr) {
        return 0;
    }
    qx_info info;
    qx_get_info(movie, &info);
    qx_problem problem;
    for (int i = 0; i < info.problems; ++i) {
        qx_get_problem(movie, i, &problem);
    }
    qx_frame_entry entry;
    for (int64_t i = 0; i < info.frames; ++i) {
        qx_get_frame_entry(movie, i, &entry);
    }
    qx_sound_block block;
    for (int64_t i = 0; i < info.sound_blocks; ++i) {
        qx_get_sound_block(movie, i, &block);
    }
    // The walk reads the movie once more, as the listing of its chunks does.
    int64_t chunks = 0;
    qx_walk_chunks(
        movie,
        [](void* cookie, const qx_chunk*) {
            ++*static_cast<int64_t*>(cookie);
            return 0;
        },
        &chunks);
    std::vector<int16_t> sound(2 * 4096);
    const size_t operations = size < OPERATIONS ? size : OPERATIONS;
    for (size_t i = 0; i < operations; ++i) {
        const uint8_t operation = data[size - 1 - i];
        qx_frame frame;
        switch (operation & 3) {
            case 0:
                while (qx_next_frame(movie, &frame) == 1) {
                    if (frame.pixels != nullptr && frame.bytes > 0) {
                        // Every byte the frame names must be readable.
                        volatile uint8_t last = frame.pixels[frame.bytes - 1];
                        (void)last;
                    }
                }
                break;
            case 1:
                while (qx_read_audio(movie, sound.data(), 4096) > 0) {
                }
                break;
            case 2:
                qx_seek_frame(movie, info.frames > 0 ? (operation >> 2) % info.frames : 0);
                qx_next_frame(movie, &frame);
                break;
            default:
                qx_seek_time(movie, int64_t{operation >> 2} * 250);
                qx_read_audio(movie, sound.data(), 512);
                break;
        }
    }
    qx_close(movie);
    return 0;
}

}  // namespace qx
