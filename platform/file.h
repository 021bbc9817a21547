#pragma once
#include <cstdint>

// Buffered file input: an OS file read through a buffer of the file layer.
struct MovieFile;

inline constexpr int32_t FILE_SEEK_SET = 0;
inline constexpr int32_t FILE_SEEK_CUR = 1;
inline constexpr int32_t FILE_SEEK_END = 2;

inline constexpr int32_t FILE_DEFAULT_BUFFER_BYTES = 8192;

// Opens for reading; null when the file cannot be opened.
MovieFile* file_open(const char* name, uint32_t flags);
// Gives the file an I/O buffer of `bytes` bytes; with `buffer` null the file layer allocates it.
// Returns 0 on success.
int32_t file_set_buffer(MovieFile* file, char* buffer, int32_t bytes, uint32_t flags);
// Returns the number of bytes read, 0 at the end of the file, -1 on error.
int32_t file_read(MovieFile* file, void* destination, int32_t bytes);
// Returns the new position, or -1 on error.
int32_t file_seek(MovieFile* file, int32_t offset, int32_t origin);
int32_t file_close(MovieFile* file, uint32_t flags);

// Files opened and not yet closed (for tests that everything is released).
int32_t file_open_count();
