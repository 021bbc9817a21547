#pragma once
#include <cstdint>

#include "base/interlocked.h"

namespace qx {

inline constexpr int32_t RING_SLOTS = 32;

// Where a block of `bytes` goes in an arena that is filled in order and wraps to its start: at
// `write`, or at the start when the block would reach or pass the arena's end. Null when the
// block is larger than the whole arena.
uint8_t* arena_place(uint8_t* arena, uint32_t arena_bytes, uint8_t* write, uint32_t bytes);

bool ranges_overlap(const uint8_t* a, uint32_t a_bytes, const uint8_t* b, uint32_t b_bytes);

// A queue of RING_SLOTS slots whose blocks lie in an arena of their own. One thread pushes at
// `written`, one pops at `read`; the counters are shared 32-bit words changed through
// interlocked operations, and they keep counting (wrapping past 2^31) for the life of a movie.
// A slot holds at least `data` (null when free) and `bytes`, the size of its block.
template <typename Slot>
struct Ring {
    uint8_t* arena;
    uint32_t arena_bytes;
    uint8_t* arena_write;  // where the next block goes unless it would pass the arena's end
    Slot slots[RING_SLOTS];
    int32_t read;
    int32_t written;
    int32_t queued;
};

template <typename Slot>
Slot& ring_slot_at(Ring<Slot>& ring, int32_t counter) {
    return ring.slots[static_cast<uint32_t>(counter) % RING_SLOTS];
}

template <typename Slot>
void ring_set_arena(Ring<Slot>& ring, uint8_t* arena, uint32_t arena_bytes) {
    ring.arena = arena;
    ring.arena_bytes = arena_bytes;
    ring.arena_write = arena;
}

template <typename Slot>
int32_t ring_queued(Ring<Slot>& ring) {
    return interlocked_load(ring.queued);
}

// The oldest queued slot; its data is null when nothing is queued.
template <typename Slot>
Slot& ring_front(Ring<Slot>& ring) {
    return ring_slot_at(ring, ring.read);
}

template <typename Slot>
const Slot& ring_front(const Ring<Slot>& ring) {
    return ring_front(const_cast<Ring<Slot>&>(ring));
}

// The slot the next push queues. Only the pushing thread fills it.
template <typename Slot>
Slot& ring_back(Ring<Slot>& ring) {
    return ring_slot_at(ring, ring.written);
}

// Where a block of `bytes` would go in the ring's arena; null when it is larger than the arena.
template <typename Slot>
uint8_t* ring_place(Ring<Slot>& ring, uint32_t bytes) {
    return arena_place(ring.arena, ring.arena_bytes, ring.arena_write, bytes);
}

// Whether a block of `bytes` at `place` (as ring_place gives) can be queued now: a slot is free
// and the block would overwrite none still queued. Slot fields are read with atomic loads,
// since the popping thread clears them.
template <typename Slot>
bool ring_has_room(Ring<Slot>& ring, const uint8_t* place, uint32_t bytes) {
    if (ring_queued(ring) >= RING_SLOTS) {
        return false;
    }
    const int32_t read = interlocked_load(ring.read);
    const uint32_t queued = static_cast<uint32_t>(ring.written) - static_cast<uint32_t>(read);
    for (uint32_t i = 0; i < queued; ++i) {
        Slot& slot = ring_slot_at(ring, static_cast<int32_t>(static_cast<uint32_t>(read) + i));
        const uint8_t* data = interlocked_load(slot.data);
        const auto slot_bytes = static_cast<uint32_t>(interlocked_load(slot.bytes));
        if (data != nullptr && ranges_overlap(place, bytes, data, slot_bytes)) {
            return false;
        }
    }
    return true;
}

// Queues the back slot, which the caller has filled with its block of `bytes` at `place`.
// The counters move last: once they do, the popping thread may take the slot.
template <typename Slot>
void ring_push(Ring<Slot>& ring, uint8_t* place, uint32_t bytes) {
    ring.arena_write = place + bytes;
    interlocked_increment(ring.written);
    interlocked_increment(ring.queued);
}

// Frees the front slot and counts it consumed. The slot is cleared before the counters move:
// once they do, the pushing thread may fill it again.
template <typename Slot>
void ring_pop(Ring<Slot>& ring) {
    Slot& slot = ring_front(ring);
    interlocked_store(slot.data, static_cast<uint8_t*>(nullptr));
    interlocked_store(slot.bytes, decltype(slot.bytes){0});
    interlocked_increment(ring.read);
    interlocked_decrement(ring.queued);
}

// Forgets every queued block and starts the arena over. Only while neither thread uses the
// ring (the player holds the clock's ticks while it does this).
template <typename Slot>
void ring_clear(Ring<Slot>& ring) {
    for (Slot& slot : ring.slots) {
        interlocked_store(slot.data, static_cast<uint8_t*>(nullptr));
        interlocked_store(slot.bytes, decltype(slot.bytes){0});
    }
    interlocked_store(ring.read, ring.written);
    interlocked_store(ring.queued, 0);
    ring.arena_write = ring.arena;
}

}  // namespace qx
