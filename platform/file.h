#pragma once
#include <cstddef>
#include <cstdint>

namespace qx {

// Buffered file input: an OS file read through a buffer of the file layer.
struct MovieFile;

inline constexpr int32_t FILE_SEEK_SET = 0;
inline constexpr int32_t FILE_SEEK_CUR = 1;
inline constexpr int32_t FILE_SEEK_END = 2;

inline constexpr int32_t FILE_DEFAULT_BUFFER_BYTES = 8192;

// Opens for reading; null when the file cannot be opened.
MovieFile* file_open(const char* name, uint32_t flags);
// Reads `bytes` of memory that stay valid until the file is closed.
MovieFile* file_open_memory(const void* data, size_t bytes);

// An application's input: `read` gives the bytes read, 0 at the end, negative on an error;
// `seek` moves to an absolute offset and returns it; `size` gives the length, negative when
// unknown, and may be null (the input is then read once to its end to learn it).
struct FileSource {
    int64_t (*read)(void* cookie, void* buffer, size_t bytes);
    int64_t (*seek)(void* cookie, int64_t offset);
    int64_t (*size)(void* cookie);
};
// Null when the source has no read or seek, or its length cannot be learnt. Several files may
// be opened on one source: each read seeks to where that file stands.
MovieFile* file_open_source(const FileSource& source, void* cookie);

// Gives the file an I/O buffer of `bytes` bytes; with `buffer` null the file layer allocates it.
// Returns 0 on success.
int32_t file_set_buffer(MovieFile* file, char* buffer, int32_t bytes, uint32_t flags);
// Returns the number of bytes read, 0 at the end of the file, -1 on error.
int32_t file_read(MovieFile* file, void* destination, int32_t bytes);
// Returns the new position, or -1 on error.
int32_t file_seek(MovieFile* file, int32_t offset, int32_t origin);
int32_t file_close(MovieFile* file, uint32_t flags);

}  // namespace qx
