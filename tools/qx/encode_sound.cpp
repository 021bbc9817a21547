#include "tools/qx/encode_sound.h"

#include <algorithm>
#include <cmath>

namespace qx {

bool read_sound_file(const std::string& path, int32_t sample_rate, SoundTrack& sound,
                     std::string& error) {
    if (!decode_sound_file(path, sound, error)) {
        return false;
    }
    if (sample_rate > 0 && sample_rate != sound.sample_rate) {
        sound = resample(sound, sample_rate);
    }
    return true;
}

SoundTrack resample(const SoundTrack& sound, int32_t sample_rate) {
    SoundTrack out;
    out.channels = sound.channels;
    out.sample_rate = sample_rate;
    const int64_t in_frames = sound.frames();
    if (in_frames == 0 || sound.sample_rate <= 0) {
        return out;
    }
    const auto out_frames =
        static_cast<int64_t>(static_cast<double>(in_frames) * sample_rate / sound.sample_rate);
    out.samples.resize(static_cast<size_t>(out_frames * out.channels));
    const double step = static_cast<double>(sound.sample_rate) / sample_rate;
    for (int64_t frame = 0; frame < out_frames; ++frame) {
        const double position = static_cast<double>(frame) * step;
        const auto left = std::min(static_cast<int64_t>(position), in_frames - 1);
        const int64_t right = std::min(left + 1, in_frames - 1);
        const double fraction = position - static_cast<double>(left);
        for (int32_t c = 0; c < out.channels; ++c) {
            const double a = sound.samples[static_cast<size_t>(left * out.channels + c)];
            const double b = sound.samples[static_cast<size_t>(right * out.channels + c)];
            out.samples[static_cast<size_t>(frame * out.channels + c)] =
                static_cast<int16_t>(std::lround(a + (b - a) * fraction));
        }
    }
    return out;
}

}  // namespace qx
