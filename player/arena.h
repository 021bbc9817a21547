#pragma once
#include <cstdint>

#include "platform/kernel.h"
#include "player/player_context.h"

// Where a block of `bytes` goes in an arena that is filled in order and wraps to its start: at
// `write`, or at the start when the block would reach or pass the arena's end. Null when the
// block is larger than the whole arena.
uint8_t* arena_place(uint8_t* arena, uint32_t arena_bytes, uint8_t* write, uint32_t bytes);

bool ranges_overlap(const uint8_t* a, uint32_t a_bytes, const uint8_t* b, uint32_t b_bytes);

// Whether [place, place + bytes) meets a block still queued in a ring, read at `read` and
// written at `written`. Slot fields are read with atomic loads: the consumer may clear a slot
// of the audio ring on the timer thread.
template <typename Slot>
bool ring_overlaps(Slot (&ring)[RING_SLOTS], int32_t read, int32_t written, const uint8_t* place,
                   uint32_t bytes) {
    for (int32_t i = read; i != written; ++i) {
        Slot& slot = ring[i & RING_MASK];
        const uint8_t* data = interlocked_load(slot.data);
        const auto slot_bytes = static_cast<uint32_t>(interlocked_load(slot.bytes));
        if (data != nullptr && ranges_overlap(place, bytes, data, slot_bytes)) {
            return true;
        }
    }
    return false;
}
