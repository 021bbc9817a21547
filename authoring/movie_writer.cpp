#include "authoring/movie_writer.h"

#include "authoring/whole_file.h"
#include "format/chunk_header.h"
#include "format/chunk_tags.h"

namespace qx {

namespace {

void put_le32(std::vector<uint8_t>& out, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
}

void put_elements(std::vector<uint8_t>& out, std::span<const AudioElement> elements) {
    for (const AudioElement& element : elements) {
        out.push_back(element.tag);
        out.push_back(static_cast<uint8_t>(element.value.size()));
        out.insert(out.end(), element.value.begin(), element.value.end());
    }
}

}  // namespace

AudioElement audio_element(uint8_t tag, uint32_t value, uint8_t length) {
    AudioElement element{tag, {}};
    for (int i = length - 1; i >= 0; --i) {
        element.value.push_back(static_cast<uint8_t>(i < 4 ? value >> (8 * i) : 0));
    }
    return element;
}

std::vector<uint8_t> audio_header_body(std::span<const AudioElement> list1,
                                       std::span<const AudioElement> list2) {
    std::vector<uint8_t> body = {'P', 'T', 0, 0};
    put_elements(body, list1);
    body.push_back(AUDIO_LIST_BREAK);
    put_elements(body, list2);
    body.push_back(AUDIO_HEADER_END);
    return body;
}

void MovieWriter::chunk(const char (&tag)[5], std::span<const uint8_t> body) {
    chunk_with_size(tag, body, static_cast<uint32_t>(body.size() + CHUNK_HEADER_BYTES));
}

void MovieWriter::chunk_with_size(const char (&tag)[5], std::span<const uint8_t> body,
                                  uint32_t declared_size) {
    bytes_.insert(bytes_.end(), tag, tag + 4);
    put_le32(bytes_, declared_size);
    bytes_.insert(bytes_.end(), body.begin(), body.end());
}

void MovieWriter::audio_header(std::span<const AudioElement> list1,
                               std::span<const AudioElement> list2) {
    chunk(CHUNK_TAG_AUDIO_HEADER, audio_header_body(list1, list2));
}

void MovieWriter::audio_header(int32_t channels, int32_t sample_rate, int32_t compression,
                               int32_t sample_bits) {
    const AudioElement elements[] = {
        audio_element(AUDIO_ELEMENT_SAMPLE_BITS, static_cast<uint32_t>(sample_bits), 1),
        audio_element(AUDIO_ELEMENT_CHANNELS, static_cast<uint32_t>(channels), 1),
        audio_element(AUDIO_ELEMENT_COMPRESSION, static_cast<uint32_t>(compression), 1),
        audio_element(AUDIO_ELEMENT_SAMPLE_RATE, static_cast<uint32_t>(sample_rate), 3),
    };
    audio_header({}, elements);
}

void MovieWriter::raw(std::span<const uint8_t> bytes) {
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
}

bool MovieWriter::save(const std::string& path, std::string& error) const {
    return write_whole_file(path, bytes_, error);
}

bool MovieWriter::save(const std::string& path) const {
    std::string ignored;
    return save(path, ignored);
}

}  // namespace qx
