#include "tests/support/allocation_counter.h"

#include <atomic>
#include <cstdlib>
#include <new>

// Every form of the global operator new and delete is replaced, so that no block made by one
// allocator is ever handed to another (the sanitizers check that pairing).
namespace {

std::atomic<int64_t> new_calls{0};

void* allocate(std::size_t bytes) {
    ++new_calls;
    return std::malloc(bytes == 0 ? 1 : bytes);
}

void* allocate_aligned(std::size_t bytes, std::align_val_t alignment) {
    ++new_calls;
    const auto align = static_cast<std::size_t>(alignment);
    const std::size_t rounded = (bytes + align - 1) / align * align;
    return std::aligned_alloc(align, rounded == 0 ? align : rounded);
}

template <typename Block>
Block or_throw(Block block) {
    if (block == nullptr) {
        throw std::bad_alloc();
    }
    return block;
}

}  // namespace

namespace qx {

int64_t operator_new_calls() {
    return new_calls.load();
}

}  // namespace qx

void* operator new(std::size_t bytes) {
    return or_throw(allocate(bytes));
}
void* operator new[](std::size_t bytes) {
    return or_throw(allocate(bytes));
}
void* operator new(std::size_t bytes, const std::nothrow_t&) noexcept {
    return allocate(bytes);
}
void* operator new[](std::size_t bytes, const std::nothrow_t&) noexcept {
    return allocate(bytes);
}
void* operator new(std::size_t bytes, std::align_val_t alignment) {
    return or_throw(allocate_aligned(bytes, alignment));
}
void* operator new[](std::size_t bytes, std::align_val_t alignment) {
    return or_throw(allocate_aligned(bytes, alignment));
}
void* operator new(std::size_t bytes, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    return allocate_aligned(bytes, alignment);
}
void* operator new[](std::size_t bytes, std::align_val_t alignment,
                     const std::nothrow_t&) noexcept {
    return allocate_aligned(bytes, alignment);
}

void operator delete(void* block) noexcept {
    std::free(block);
}
void operator delete[](void* block) noexcept {
    std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}
void operator delete[](void* block, std::size_t) noexcept {
    std::free(block);
}
void operator delete(void* block, const std::nothrow_t&) noexcept {
    std::free(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
    std::free(block);
}
void operator delete(void* block, std::align_val_t) noexcept {
    std::free(block);
}
void operator delete[](void* block, std::align_val_t) noexcept {
    std::free(block);
}
void operator delete(void* block, std::size_t, std::align_val_t) noexcept {
    std::free(block);
}
void operator delete[](void* block, std::size_t, std::align_val_t) noexcept {
    std::free(block);
}
void operator delete(void* block, std::align_val_t, const std::nothrow_t&) noexcept {
    std::free(block);
}
void operator delete[](void* block, std::align_val_t, const std::nothrow_t&) noexcept {
    std::free(block);
}
