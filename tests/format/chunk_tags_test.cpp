#include "format/chunk_tags.h"

#include <gtest/gtest.h>

#include "format/video_kinds.h"

namespace qx {

namespace {

struct TagRole {
    ChunkRole role;
    int32_t kind;
};

TagRole role_of(const char* tag) {
    TagRole found{ChunkRole::Dropped, -1};
    EXPECT_TRUE(chunk_tag_role(tag, found.role, found.kind)) << tag;
    return found;
}

// What the writers put in a movie must be what the reader takes it for.
TEST(ChunkTags, WrittenTagsHaveTheirRoles) {
    EXPECT_EQ(role_of(CHUNK_TAG_RKD_KEY).kind, VIDEO_RKD_KEY);
    EXPECT_EQ(role_of(CHUNK_TAG_RKD_INTER).kind, VIDEO_RKD_INTER);
    EXPECT_EQ(role_of("pBNM").kind, VIDEO_MNB);
    EXPECT_EQ(role_of("QX2f").kind, VIDEO_ZLE);
    EXPECT_EQ(role_of(CHUNK_TAG_AUDIO_HEADER).role, ChunkRole::AudioHeader);
    EXPECT_EQ(role_of(CHUNK_TAG_AUDIO_DATA).role, ChunkRole::AudioData);
    EXPECT_EQ(role_of("SEAD").role, ChunkRole::FixedAudioFormat);
    EXPECT_EQ(role_of("lLCS").role, ChunkRole::Dropped);
}

TEST(ChunkTags, EndTagsAreNotTakenByTheReader) {
    for (const char* tag : {"SEND", "1SNe", CHUNK_TAG_END}) {
        EXPECT_TRUE(is_end_chunk_tag(tag)) << tag;
        EXPECT_FALSE(is_known_chunk_tag(tag)) << tag;
    }
    EXPECT_FALSE(is_end_chunk_tag("SCDl"));
    EXPECT_FALSE(is_known_chunk_tag("KDKR"));  // tags are case-sensitive
}

TEST(ChunkTags, AudioDataTagsInEveryByteOrderListed) {
    for (const char* tag : {"SCDl", "SNDC", "1SNd"}) {
        EXPECT_TRUE(is_audio_data_tag(tag)) << tag;
    }
    EXPECT_FALSE(is_audio_data_tag("SCHl"));
    EXPECT_FALSE(is_audio_data_tag("XXXX"));
}

TEST(ChunkTags, TheTableEndsWithANull) {
    size_t count = 0;
    while (known_chunk_tag(count) != nullptr) {
        EXPECT_TRUE(is_known_chunk_tag(known_chunk_tag(count)));
        ++count;
    }
    EXPECT_EQ(count, 19u);
}

}  // namespace

}  // namespace qx
