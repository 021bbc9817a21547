#include <sndfile.h>

#include "tools/qx/encode_sound.h"

namespace qx {

bool decode_sound_file(const std::string& path, SoundTrack& sound, std::string& error) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr) {
        error = path + ": cannot be read as sound (" + sf_strerror(nullptr) + ")";
        return false;
    }
    if (info.channels != 1 && info.channels != 2) {
        sf_close(file);
        error = path + ": has " + std::to_string(info.channels) +
                " channels; a movie carries mono or stereo";
        return false;
    }
    sound.channels = info.channels;
    sound.sample_rate = info.samplerate;
    sound.samples.clear();
    std::vector<int16_t> block(static_cast<size_t>(4096 * info.channels));
    for (;;) {
        const sf_count_t got = sf_readf_short(file, block.data(), 4096);
        if (got <= 0) {
            break;
        }
        sound.samples.insert(sound.samples.end(), block.begin(),
                             block.begin() + got * info.channels);
    }
    const int failure = sf_error(file);
    sf_close(file);
    if (failure != SF_ERR_NO_ERROR) {
        error = path + ": cannot be decoded (" + sf_error_number(failure) + ")";
        return false;
    }
    return true;
}

bool qx_decode_sound_file(const std::string& path, SoundTrack& sound, std::string& error) {
    return decode_sound_file(path, sound, error);
}

}  // namespace qx
