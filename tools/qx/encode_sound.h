#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace qx {

// Sound to put in a movie: interleaved 16-bit samples, mono or stereo.
struct SoundTrack {
    int32_t channels = 2;
    int32_t sample_rate = 0;
    std::vector<int16_t> samples;

    int64_t frames() const { return static_cast<int64_t>(samples.size()) / channels; }
};

// Reads any sound file libsndfile knows, resampled to `sample_rate` unless that is 0. Mono and
// stereo files only. False, with the reason in `error`, when it cannot be read.
bool read_sound_file(const std::string& path, int32_t sample_rate, SoundTrack& sound,
                     std::string& error);

// The file's sound as it stands, through libsndfile (in `qx`, from the sound-file module).
bool decode_sound_file(const std::string& path, SoundTrack& sound, std::string& error);
// The same as the sound-file module hands it out.
extern "C" bool qx_decode_sound_file(const std::string& path, SoundTrack& sound,
                                     std::string& error);

// The sound resampled by linear interpolation between neighbouring frames.
SoundTrack resample(const SoundTrack& sound, int32_t sample_rate);

}  // namespace qx
