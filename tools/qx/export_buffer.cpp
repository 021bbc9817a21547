#include "tools/qx/export_buffer.h"

#include <sys/mman.h>

namespace {

// The large page of x86-64 and arm64 systems; a mapping in whole ones can be backed by them.
constexpr size_t LARGE_PAGE_BYTES = size_t{2} << 20;

size_t whole_large_pages(size_t bytes) {
    return (bytes + LARGE_PAGE_BYTES - 1) / LARGE_PAGE_BYTES * LARGE_PAGE_BYTES;
}

}  // namespace

ExportBuffer::~ExportBuffer() {
    if (data_ != nullptr) {
        munmap(data_, mapped_);
    }
}

bool ExportBuffer::grow(size_t bytes) {
    if (bytes <= size_) {
        return true;
    }
    if (bytes <= mapped_) {
        size_ = bytes;
        return true;
    }
    const size_t mapped = whole_large_pages(bytes);
    // A larger mapping keeps the bytes of the old one and adds zero pages after them.
    void* memory = data_ == nullptr ? mmap(nullptr, mapped, PROT_READ | PROT_WRITE,
                                           MAP_PRIVATE | MAP_ANONYMOUS, -1, 0)
                                    : mremap(data_, mapped_, mapped, MREMAP_MAYMOVE);
    if (memory == MAP_FAILED) {
        return false;
    }
    // Only advice: without large pages the buffer works the same, a page at a time.
    madvise(memory, mapped, MADV_HUGEPAGE);
    data_ = static_cast<uint8_t*>(memory);
    size_ = bytes;
    mapped_ = mapped;
    return true;
}
