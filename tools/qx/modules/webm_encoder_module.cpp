#include "tools/qx/modules/program_module.h"
#include "tools/qx/webm_encoder.h"

namespace qx {

std::unique_ptr<WebmEncoder> open_webm_encoder(int fd, const WebmSettings& settings,
                                               std::string& error) {
    auto* open = reinterpret_cast<decltype(&qx_open_webm_encoder)>(
        program_module_entry("qx-convert.so", "qx_open_webm_encoder", error));
    return std::unique_ptr<WebmEncoder>(open != nullptr ? open(fd, settings, error) : nullptr);
}

}  // namespace qx
