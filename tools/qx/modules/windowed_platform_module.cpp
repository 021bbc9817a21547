#include "tools/qx/modules/program_module.h"
#include "tools/qx/play_platform.h"

namespace qx {

std::unique_ptr<PlayPlatform> make_windowed_platform(bool with_sound, std::string& error) {
    auto* make = reinterpret_cast<decltype(&qx_windowed_platform)>(
        program_module_entry("qx-window.so", "qx_windowed_platform", error));
    return std::unique_ptr<PlayPlatform>(make != nullptr ? make(with_sound) : nullptr);
}

}  // namespace qx
