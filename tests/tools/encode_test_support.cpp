#include "tests/tools/encode_test_support.h"

#include <sndfile.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "authoring/dct_scene.h"
#include "tools/qx/encode_png_reader.h"
#include "tools/qx/picture_png.h"

namespace qx {

QxRun run_qx_in(const std::string& folder, const std::string& arguments) {
    const std::string errors_path = folder + "/qx-errors.txt";
    const std::string command = "cd '" + folder + "' && " + std::string(QX_BINARY_DIR) + "/qx " +
                                arguments + " > /dev/null 2> '" + errors_path + "'";
    const int status = std::system(command.c_str());
    QxRun run;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream file(errors_path);
    std::stringstream text;
    text << file.rdbuf();
    run.errors = text.str();
    std::remove(errors_path.c_str());
    return run;
}

std::vector<std::vector<uint8_t>> scene_frames(int32_t width, int32_t height, int32_t count) {
    std::vector<std::vector<uint8_t>> frames;
    for (int32_t i = 0; i < count; ++i) {
        frames.push_back(dct_scene(width, height, 3 * i, i));
    }
    return frames;
}

void write_png_frames(const std::string& pattern, int32_t width, int32_t height,
                      const std::vector<std::vector<uint8_t>>& frames) {
    for (size_t i = 0; i < frames.size(); ++i) {
        char path[512];
        std::snprintf(path, sizeof path, pattern.c_str(), int(i));
        std::string error;
        if (!write_png(path, RgbImage{width, height, frames[i]}, error)) {
            throw std::runtime_error(error);
        }
    }
}

std::vector<std::vector<uint8_t>> exported_frames(const std::string& folder, int32_t count) {
    std::vector<std::vector<uint8_t>> frames;
    for (int32_t i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "/frame_%05d.png", i);
        int32_t width = 0;
        int32_t height = 0;
        std::vector<uint8_t> rgb;
        std::string error;
        if (!read_png_rgb(folder + name, width, height, rgb, error)) {
            break;
        }
        frames.push_back(std::move(rgb));
    }
    return frames;
}

void write_wav(const std::string& path, const SoundFile& sound) {
    SF_INFO info{};
    info.channels = sound.channels;
    info.samplerate = sound.sample_rate;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr) {
        throw std::runtime_error(path + ": cannot be written");
    }
    sf_write_short(file, sound.samples.data(), sf_count_t(sound.samples.size()));
    sf_close(file);
}

SoundFile read_wav(const std::string& path) {
    SF_INFO info{};
    SoundFile sound;
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr) {
        return sound;
    }
    sound.channels = info.channels;
    sound.sample_rate = info.samplerate;
    sound.samples.resize(size_t(info.frames * info.channels));
    sf_readf_short(file, sound.samples.data(), info.frames);
    sf_close(file);
    return sound;
}

double snr_db(const std::vector<int16_t>& source, const std::vector<int16_t>& decoded) {
    const size_t count = std::min(source.size(), decoded.size());
    double signal = 0;
    double noise = 0;
    for (size_t i = 0; i < count; ++i) {
        signal += double(source[i]) * source[i];
        const double difference = double(source[i]) - decoded[i];
        noise += difference * difference;
    }
    return noise == 0 ? 99 : 10 * std::log10(signal / noise);
}

}  // namespace qx
