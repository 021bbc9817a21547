#include "interface/damage_log.h"

#include <climits>
#include <cstdio>

#include "base/byte_order.h"
#include "player/reader.h"

namespace qx {

std::string quoted_tag(const StreamChunk& chunk) {
    return "\"" + printable_tag(chunk.header) + "\"";
}

std::string sync_loss(const StreamChunk& chunk, bool has_audio) {
    if (chunk.result != READ_END || is_end_chunk_tag(chunk.header)) {
        return {};
    }
    const uint32_t size = load_le32(chunk.header + CHUNK_SIZE_OFFSET);
    if (!is_known_chunk_tag(chunk.header)) {
        return "unrecognised tag " + quoted_tag(chunk);
    }
    if (size < CHUNK_HEADER_BYTES || size > INT32_MAX) {
        return "chunk " + quoted_tag(chunk) + " of size " + grouped_number(size);
    }
    if (is_audio_data_tag(chunk.header) && !has_audio) {
        return "audio data in a movie without an audio header";
    }
    return {};
}

void DamageLog::chunk(const StreamChunk& chunk) {
    const std::string loss = sync_loss(chunk, has_audio_);
    if (!loss.empty()) {
        if (lost_at_ < 0) {
            lost_at_ = chunk.offset;
            cause_ = loss;
        }
        return;
    }
    found_again(chunk.offset);
    const int64_t announced_end =
        chunk.offset + int64_t{load_le32(chunk.header + CHUNK_SIZE_OFFSET)};
    if (is_known_chunk_tag(chunk.header) && announced_end > file_bytes_) {
        stretches_.push_back({chunk.offset, file_bytes_,
                              "chunk " + quoted_tag(chunk) + " at " + grouped_number(chunk.offset) +
                                  " runs past the end of the file: " +
                                  grouped_number(load_le32(chunk.header + CHUNK_SIZE_OFFSET)) +
                                  " bytes announced, " +
                                  grouped_number(file_bytes_ - chunk.offset) + " there"});
    } else if (chunk.result == READ_ERROR) {
        stretches_.push_back(
            {chunk.offset, chunk.next_offset,
             "read error in chunk " + quoted_tag(chunk) + " at " + grouped_number(chunk.offset)});
    }
}

void DamageLog::end() {
    if (lost_at_ >= 0) {
        stretches_.push_back(
            {lost_at_, file_bytes_,
             "lost sync at " + grouped_number(lost_at_) + ", not found again before the end, " +
                 grouped_number(file_bytes_ - lost_at_) + " bytes skipped (" + cause_ + ")"});
        lost_at_ = -1;
    }
}

void DamageLog::found_again(int64_t offset) {
    if (lost_at_ < 0) {
        return;
    }
    stretches_.push_back({lost_at_, offset,
                          "lost sync at " + grouped_number(lost_at_) + ", found again at " +
                              grouped_number(offset) + ", " + grouped_number(offset - lost_at_) +
                              " bytes skipped (" + cause_ + ")"});
    lost_at_ = -1;
}

std::string printable_tag(const uint8_t* tag) {
    std::string text;
    for (int i = 0; i < 4; ++i) {
        if (tag[i] >= 0x20 && tag[i] < 0x7F) {
            text += static_cast<char>(tag[i]);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", tag[i]);
            text += escaped;
        }
    }
    return text;
}

std::string grouped_number(int64_t value) {
    const std::string digits = std::to_string(value < 0 ? -value : value);
    std::string text;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) {
            text += ',';
        }
        text += digits[i];
    }
    return value < 0 ? "-" + text : text;
}

}  // namespace qx
