#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace qx {

// What a run of `qx` left: its exit status and what it wrote on stderr.
struct QxRun {
    int status = -1;
    std::string errors;
};

// Runs the built `qx` with `arguments` (already quoted where needed) from `folder`.
QxRun run_qx_in(const std::string& folder, const std::string& arguments);

// A picture sequence for encoding: `count` moving views of the test scene.
std::vector<std::vector<uint8_t>> scene_frames(int32_t width, int32_t height, int32_t count);
void write_png_frames(const std::string& pattern, int32_t width, int32_t height,
                      const std::vector<std::vector<uint8_t>>& frames);

// The pictures `qx export --png` wrote into `folder`, in order.
std::vector<std::vector<uint8_t>> exported_frames(const std::string& folder, int32_t count);

// Interleaved 16-bit samples of a sound file, and its channel count and rate.
struct SoundFile {
    int32_t channels = 0;
    int32_t sample_rate = 0;
    std::vector<int16_t> samples;
};
void write_wav(const std::string& path, const SoundFile& sound);
SoundFile read_wav(const std::string& path);

// Signal-to-noise ratio in dB of `decoded` against `source` over their common length.
double snr_db(const std::vector<int16_t>& source, const std::vector<int16_t>& decoded);

}  // namespace qx
