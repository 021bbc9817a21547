#pragma once
#include <cstddef>
#include <cstdint>

namespace qx {

// The tags movies are written with (four bytes in file order).
inline constexpr char CHUNK_TAG_RKD_KEY[5] = "kDKR";
inline constexpr char CHUNK_TAG_RKD_INTER[5] = "fDKR";
inline constexpr char CHUNK_TAG_AUDIO_HEADER[5] = "SCHl";
inline constexpr char CHUNK_TAG_AUDIO_DATA[5] = "SCDl";
inline constexpr char CHUNK_TAG_END[5] = "SCEl";

enum class ChunkRole { Video, AudioData, AudioHeader, FixedAudioFormat, Dropped };

// Whether the reader takes chunks of this tag.
bool is_known_chunk_tag(const void* tag);
// The `index`th tag the reader takes, null past the last; for programs that build movies.
const char* known_chunk_tag(size_t index);
// What the reader does with chunks of `tag`, and for video chunks their kind; false for a tag
// it does not take.
bool chunk_tag_role(const void* tag, ChunkRole& role, int32_t& kind);

// The tags that close a movie. The reader does not take them: it ends there.
bool is_end_chunk_tag(const void* tag);
bool is_audio_data_tag(const void* tag);

}  // namespace qx
