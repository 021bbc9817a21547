#include "interface/chunk_report.h"

#include <cstdio>

#include "base/byte_order.h"
#include "format/chunk_tags.h"
#include "interface/damage_log.h"
#include "player/reader.h"

namespace qx {

namespace {

const char* kind_name(int32_t kind) {
    switch (kind) {
        case VIDEO_RKD_KEY:
            return "Rkd key frame";
        case VIDEO_RKD_INTER:
            return "Rkd inter frame";
        case VIDEO_MNB:
            return "Mnb frame";
        case VIDEO_ZLE:
            return "Zle frame";
        default:
            return "unknown kind";
    }
}

std::string action_of(const StreamChunk& chunk, bool has_audio) {
    switch (chunk.result) {
        case READ_VIDEO:
            return "video chunk " + std::to_string(chunk.video->sequence) + ": " +
                   kind_name(chunk.video->kind);
        case READ_AUDIO:
            return "audio block " + std::to_string(chunk.audio->sequence) + ": " +
                   std::to_string(chunk.audio->bytes) + " bytes of 16-bit stereo";
        case READ_AUDIO_HEADER:
            return "audio format set";
        case READ_SKIPPED:
            return "read and dropped";
        case READ_ERROR:
            return "read error";
        default:
            break;
    }
    if (is_end_chunk_tag(chunk.header)) {
        return "end of movie: not read";
    }
    const std::string loss = sync_loss(chunk, has_audio);
    if (!loss.empty()) {
        return loss + ": not read, the reader goes on 8 bytes further";
    }
    return "no body: the file ends here";
}

}  // namespace

void report_chunk(const StreamChunk& chunk, bool has_audio, qx_chunk& report) {
    report = qx_chunk{};
    report.offset = chunk.offset;
    report.size = load_le32(chunk.header + 4);
    report.result = chunk.result;
    report.sequence = chunk.result == READ_VIDEO   ? chunk.video->sequence
                      : chunk.result == READ_AUDIO ? chunk.audio->sequence
                                                   : -1;
    std::snprintf(report.tag, sizeof report.tag, "%s", printable_tag(chunk.header).c_str());
    std::snprintf(report.text, sizeof report.text, "%s", action_of(chunk, has_audio).c_str());
}

}  // namespace qx
