#include "tools/qx/encode_sound.h"
#include "tools/qx/modules/program_module.h"

namespace qx {

bool decode_sound_file(const std::string& path, SoundTrack& sound, std::string& error) {
    auto* decode = reinterpret_cast<decltype(&qx_decode_sound_file)>(
        program_module_entry("qx-sound-files.so", "qx_decode_sound_file", error));
    return decode != nullptr && decode(path, sound, error);
}

}  // namespace qx
