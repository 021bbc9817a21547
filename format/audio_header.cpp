#include "format/audio_header.h"

namespace qx {

namespace {

// Element lists of the audio header: a tag byte, a length byte L and L value bytes each.
struct ElementCursor {
    const uint8_t* bytes;
    uint32_t size;
    uint32_t position;

    bool at(uint8_t marker) const { return position < size && bytes[position] == marker; }
    // The element at the cursor lies whole inside the body.
    bool has_element() const {
        return position + 2 <= size && position + 2 + bytes[position + 1] <= size;
    }
    void skip_element() { position += 2 + bytes[position + 1]; }
};

// Big-endian value of L bytes, sign-extended for L of 1 to 3 when its top bit is set.
int32_t element_value(const uint8_t* value, uint32_t length) {
    uint32_t accumulated = 0;
    for (uint32_t i = 0; i < length; ++i) {
        accumulated = accumulated << 8 | value[i];
    }
    if (length >= 1 && length <= 3) {
        const uint32_t top_bit = 1u << (8 * length - 1);
        if (accumulated & top_bit) {
            accumulated |= ~((top_bit << 1) - 1);
        }
    }
    return static_cast<int32_t>(accumulated);
}

}  // namespace

AudioFormat fixed_audio_format() {
    return {16, 2, 22050, AUDIO_IMA};
}

AudioFormat audio_header_format(const uint8_t* body, uint32_t bytes) {
    AudioFormat format{16, 1, 22050, AUDIO_PCM};
    ElementCursor cursor{body, bytes, AUDIO_HEADER_LISTS_OFFSET};
    while (cursor.position < cursor.size && !cursor.at(AUDIO_LIST_BREAK)) {
        if (!cursor.has_element()) {
            return format;
        }
        cursor.skip_element();
    }
    ++cursor.position;
    while (cursor.position < cursor.size && !cursor.at(AUDIO_HEADER_END) && cursor.has_element()) {
        const uint8_t element = body[cursor.position];
        const uint8_t length = body[cursor.position + 1];
        const int32_t value = element_value(body + cursor.position + 2, length);
        switch (element) {
            case AUDIO_ELEMENT_SAMPLE_BITS:
                format.sample_bits = value;
                break;
            case AUDIO_ELEMENT_CHANNELS:
                format.channels = value;
                break;
            case AUDIO_ELEMENT_COMPRESSION:
                format.compression = value;
                break;
            case AUDIO_ELEMENT_SAMPLE_RATE:
                format.sample_rate = value;
                break;
            default:
                break;
        }
        cursor.skip_element();
    }
    return format;
}

}  // namespace qx
