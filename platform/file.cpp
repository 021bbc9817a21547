#include "platform/file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <memory>

#include "platform/faults.h"
#include "platform/open_files.h"

namespace qx {

struct MovieFile {
    // Where the bytes come from: an open descriptor, memory, or an application's callbacks.
    int descriptor = -1;
    const uint8_t* memory = nullptr;
    FileSource source{};
    void* cookie = nullptr;
    int64_t length = -1;       // known for memory and callbacks
    int64_t position = 0;      // logical position of the reader
    int64_t buffer_start = 0;  // file offset of buffer[0]
    int32_t buffer_filled = 0;
    int32_t buffer_bytes = 0;
    std::unique_ptr<char[]> owned_buffer;
    char* buffer = nullptr;
};

namespace {

int64_t read_from_memory(const MovieFile& file, char* destination, int64_t offset, int32_t bytes) {
    const int64_t got = std::clamp<int64_t>(file.length - offset, 0, bytes);
    if (got > 0) {
        std::memcpy(destination, file.memory + offset, static_cast<size_t>(got));
    }
    return got;
}

// The callbacks share one position among every reader of the input: each read seeks first.
int64_t read_from_source(const MovieFile& file, char* destination, int64_t offset, int32_t bytes) {
    const int64_t wanted = std::clamp<int64_t>(file.length - offset, 0, bytes);
    if (wanted == 0) {
        return 0;
    }
    if (file.source.seek(file.cookie, offset) != offset) {
        return -1;
    }
    int64_t done = 0;
    while (done < wanted) {
        const int64_t got =
            file.source.read(file.cookie, destination + done, static_cast<size_t>(wanted - done));
        if (got < 0 || got > wanted - done) {
            return -1;
        }
        if (got == 0) {
            break;
        }
        done += got;
    }
    return done;
}

int64_t read_at(MovieFile& file, char* destination, int64_t offset, int32_t bytes) {
    if (file.memory != nullptr) {
        return read_from_memory(file, destination, offset, bytes);
    }
    if (file.source.read != nullptr) {
        return read_from_source(file, destination, offset, bytes);
    }
    int64_t done = 0;
    while (done < bytes) {
        const ssize_t got = pread(file.descriptor, destination + done,
                                  static_cast<size_t>(bytes - done), offset + done);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return -1;
        }
        if (got == 0) {
            break;
        }
        done += got;
    }
    return done;
}

bool touches_injected_error(int64_t position, int32_t bytes) {
    const int64_t error_at = platform_faults().file_read_error_at;
    return error_at >= 0 && position + bytes > error_at;
}

std::atomic<int32_t> open_files{0};

}  // namespace

int32_t file_open_count() {
    return open_files.load();
}

MovieFile* file_open(const char* name, uint32_t /*flags*/) {
    if (name == nullptr || platform_faults().file_open_fails) {
        return nullptr;
    }
    const int descriptor = open(name, O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) {
        return nullptr;
    }
    // A directory opens for reading here, but it is no file to play.
    struct stat status {};
    if (fstat(descriptor, &status) != 0 || S_ISDIR(status.st_mode)) {
        close(descriptor);
        return nullptr;
    }
    auto* file = new MovieFile;
    file->descriptor = descriptor;
    ++open_files;
    return file;
}

MovieFile* file_open_memory(const void* data, size_t bytes) {
    if (data == nullptr || bytes > INT32_MAX || platform_faults().file_open_fails) {
        return nullptr;
    }
    auto* file = new MovieFile;
    file->memory = static_cast<const uint8_t*>(data);
    file->length = static_cast<int64_t>(bytes);
    ++open_files;
    return file;
}

namespace {

// The length of a source that cannot say it: read to the end once.
int64_t measured_length(const FileSource& source, void* cookie) {
    if (source.seek(cookie, 0) != 0) {
        return -1;
    }
    char scratch[16384];
    int64_t length = 0;
    for (;;) {
        const int64_t got = source.read(cookie, scratch, sizeof scratch);
        if (got < 0 || got > static_cast<int64_t>(sizeof scratch)) {
            return -1;
        }
        if (got == 0 || length > INT32_MAX) {
            return length;
        }
        length += got;
    }
}

}  // namespace

MovieFile* file_open_source(const FileSource& source, void* cookie) {
    if (source.read == nullptr || source.seek == nullptr || platform_faults().file_open_fails) {
        return nullptr;
    }
    const int64_t length =
        source.size != nullptr ? source.size(cookie) : measured_length(source, cookie);
    if (length < 0 || length > INT32_MAX) {
        return nullptr;
    }
    auto* file = new MovieFile;
    file->source = source;
    file->cookie = cookie;
    file->length = length;
    ++open_files;
    return file;
}

int32_t file_set_buffer(MovieFile* file, char* buffer, int32_t bytes, uint32_t /*flags*/) {
    if (file == nullptr || bytes < 0 || platform_faults().file_set_buffer_fails) {
        return -1;
    }
    file->owned_buffer.reset();
    file->buffer = buffer;
    if (buffer == nullptr && bytes > 0) {
        file->owned_buffer = std::make_unique<char[]>(static_cast<size_t>(bytes));
        file->buffer = file->owned_buffer.get();
    }
    file->buffer_bytes = bytes;
    file->buffer_filled = 0;
    return 0;
}

int32_t file_read(MovieFile* file, void* destination, int32_t bytes) {
    if (file == nullptr || destination == nullptr || bytes < 0) {
        return -1;
    }
    if (touches_injected_error(file->position, bytes)) {
        return -1;
    }
    auto* out = static_cast<char*>(destination);
    int32_t done = 0;
    while (done < bytes) {
        const int64_t in_buffer = file->position - file->buffer_start;
        if (in_buffer >= 0 && in_buffer < file->buffer_filled) {
            const int32_t take = std::min<int32_t>(
                bytes - done, file->buffer_filled - static_cast<int32_t>(in_buffer));
            std::memcpy(out + done, file->buffer + in_buffer, static_cast<size_t>(take));
            done += take;
            file->position += take;
            continue;
        }
        const int32_t wanted = bytes - done;
        if (file->buffer_bytes == 0 || wanted >= file->buffer_bytes) {
            // Large reads go straight to the destination, as a buffered reader does.
            const int64_t got = read_at(*file, out + done, file->position, wanted);
            if (got < 0) {
                return -1;
            }
            done += static_cast<int32_t>(got);
            file->position += got;
            break;
        }
        const int64_t got = read_at(*file, file->buffer, file->position, file->buffer_bytes);
        if (got < 0) {
            return -1;
        }
        file->buffer_start = file->position;
        file->buffer_filled = static_cast<int32_t>(got);
        if (got == 0) {
            break;
        }
    }
    return done;
}

int32_t file_seek(MovieFile* file, int32_t offset, int32_t origin) {
    if (file == nullptr) {
        return -1;
    }
    int64_t base = 0;
    if (origin == FILE_SEEK_CUR) {
        base = file->position;
    } else if (origin == FILE_SEEK_END) {
        const off_t end = file->length >= 0 ? file->length : lseek(file->descriptor, 0, SEEK_END);
        if (end < 0) {
            return -1;
        }
        base = end;
    } else if (origin != FILE_SEEK_SET) {
        return -1;
    }
    const int64_t target = base + offset;
    if (target < 0 || target > INT32_MAX) {
        return -1;
    }
    file->position = target;
    return static_cast<int32_t>(target);
}

int32_t file_close(MovieFile* file, uint32_t /*flags*/) {
    if (file == nullptr) {
        return -1;
    }
    const int result = file->descriptor >= 0 ? close(file->descriptor) : 0;
    delete file;
    --open_files;
    return result == 0 ? 0 : -1;
}

}  // namespace qx
