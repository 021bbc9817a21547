#include "tools/qx/export_sinks.h"

// Placeholder until the picture export lands.
std::unique_ptr<ExportSink> make_picture_sink(const std::string&, const PictureExportOptions&) {
    return nullptr;
}
