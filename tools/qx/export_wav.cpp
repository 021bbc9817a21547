#include "tools/qx/export_sinks.h"

// Placeholder until the WAV export lands.
std::unique_ptr<ExportSink> make_wav_sink(const std::string&) {
    return nullptr;
}
