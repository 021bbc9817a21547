#include "format/chunk_tags.h"

#include <cstring>
#include <iterator>

#include "format/video_kinds.h"

namespace qx {

namespace {

struct ChunkTag {
    char text[5];
    ChunkRole role;
    int32_t kind;
};

// Tags in file byte order. Both byte orders are taken only where both are listed.
constexpr ChunkTag CHUNK_TAGS[] = {
    {"kDKR", ChunkRole::Video, VIDEO_RKD_KEY},
    {"RKDk", ChunkRole::Video, VIDEO_RKD_KEY},
    {"fDKR", ChunkRole::Video, VIDEO_RKD_INTER},
    {"RKDf", ChunkRole::Video, VIDEO_RKD_INTER},
    {"pBNM", ChunkRole::Video, VIDEO_MNB},
    {"MQXf", ChunkRole::Video, VIDEO_MNB},
    {"pELZ", ChunkRole::Video, VIDEO_ZLE},
    {"QX2f", ChunkRole::Video, VIDEO_ZLE},
    {"SCDl", ChunkRole::AudioData, 0},
    {"SNDC", ChunkRole::AudioData, 0},
    {"1SNd", ChunkRole::AudioData, 0},
    {"SCHl", ChunkRole::AudioHeader, 0},
    {"lHCS", ChunkRole::AudioHeader, 0},
    {"1SNh", ChunkRole::AudioHeader, 0},
    {"SEAD", ChunkRole::FixedAudioFormat, 0},
    {"SCCl", ChunkRole::Dropped, 0},
    {"lCCS", ChunkRole::Dropped, 0},
    {"SCLl", ChunkRole::Dropped, 0},
    {"lLCS", ChunkRole::Dropped, 0},
};

constexpr char END_TAGS[][5] = {"SEND", "1SNe", "SCEl"};

const ChunkTag* find_tag(const void* bytes) {
    for (const ChunkTag& tag : CHUNK_TAGS) {
        if (std::memcmp(tag.text, bytes, 4) == 0) {
            return &tag;
        }
    }
    return nullptr;
}

}  // namespace

bool is_known_chunk_tag(const void* tag) {
    return find_tag(tag) != nullptr;
}

const char* known_chunk_tag(size_t index) {
    return index < std::size(CHUNK_TAGS) ? CHUNK_TAGS[index].text : nullptr;
}

bool chunk_tag_role(const void* tag, ChunkRole& role, int32_t& kind) {
    const ChunkTag* found = find_tag(tag);
    if (found == nullptr) {
        return false;
    }
    role = found->role;
    kind = found->kind;
    return true;
}

bool is_end_chunk_tag(const void* tag) {
    for (const char* end : END_TAGS) {
        if (std::memcmp(end, tag, 4) == 0) {
            return true;
        }
    }
    return false;
}

bool is_audio_data_tag(const void* tag) {
    const ChunkTag* found = find_tag(tag);
    return found != nullptr && found->role == ChunkRole::AudioData;
}

}  // namespace qx
