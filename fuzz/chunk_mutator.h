// A libFuzzer mutator for whole movies: it takes the input apart into chunks and changes one
// thing at a time (a body, a tag among those the reader takes, a declared size, the order or
// the number of chunks), then writes the chunks back with valid framing, so that mutated
// inputs still reach the decoders behind the reader instead of ending at a broken header.
// Include it in exactly one file of a fuzz target.
#pragma once
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "player/reader.h"

namespace qx {

extern "C" size_t LLVMFuzzerMutate(uint8_t* data, size_t size, size_t max_size);

namespace chunk_mutator {

struct Chunk {
    uint8_t tag[4];
    std::vector<uint8_t> body;
    // A declared size other than the framing's own, set by a mutation; 0 keeps the framing.
    uint32_t odd_size = 0;
};

// Chunks as the reader would frame them; what follows a size that does not fit becomes the
// body of the last chunk.
inline std::vector<Chunk> split(const uint8_t* data, size_t size) {
    std::vector<Chunk> chunks;
    size_t at = 0;
    while (size - at >= CHUNK_HEADER_BYTES) {
        Chunk chunk;
        std::memcpy(chunk.tag, data + at, 4);
        const uint32_t declared = uint32_t{data[at + 4]} | uint32_t{data[at + 5]} << 8 |
                                  uint32_t{data[at + 6]} << 16 | uint32_t{data[at + 7]} << 24;
        const size_t left = size - at - CHUNK_HEADER_BYTES;
        const size_t body = declared >= CHUNK_HEADER_BYTES && declared - CHUNK_HEADER_BYTES <= left
                                ? declared - CHUNK_HEADER_BYTES
                                : left;
        chunk.body.assign(data + at + CHUNK_HEADER_BYTES, data + at + CHUNK_HEADER_BYTES + body);
        chunks.push_back(std::move(chunk));
        at += CHUNK_HEADER_BYTES + body;
    }
    return chunks;
}

// The chunks written back into `data`; 0 when they do not fit in `max_size`.
inline size_t join(const std::vector<Chunk>& chunks, uint8_t* data, size_t max_size) {
    size_t total = 0;
    for (const Chunk& chunk : chunks) {
        total += CHUNK_HEADER_BYTES + chunk.body.size();
    }
    if (total > max_size) {
        return 0;
    }
    size_t at = 0;
    for (const Chunk& chunk : chunks) {
        const uint32_t declared =
            chunk.odd_size != 0 ? chunk.odd_size
                                : static_cast<uint32_t>(CHUNK_HEADER_BYTES + chunk.body.size());
        std::memcpy(data + at, chunk.tag, 4);
        for (int i = 0; i < 4; ++i) {
            data[at + 4 + i] = static_cast<uint8_t>(declared >> (8 * i));
        }
        std::copy(chunk.body.begin(), chunk.body.end(), data + at + CHUNK_HEADER_BYTES);
        at += CHUNK_HEADER_BYTES + chunk.body.size();
    }
    return at;
}

// A tag the reader takes, or now and then one that ends the movie.
inline void pick_tag(uint8_t* tag, std::minstd_rand& random) {
    size_t count = 0;
    while (known_chunk_tag(count) != nullptr) {
        ++count;
    }
    const size_t index = random() % (count + 1);
    std::memcpy(tag, index < count ? known_chunk_tag(index) : "SCEl", 4);
}

// Sizes at the edges the reader must hold: below a header, one off, the largest ones.
inline uint32_t pick_odd_size(const Chunk& chunk, std::minstd_rand& random) {
    const uint32_t framed = static_cast<uint32_t>(CHUNK_HEADER_BYTES + chunk.body.size());
    const uint32_t sizes[] = {0,           1,           7,          framed - 1, framed + 1,
                              framed + 64, 1000000 + 8, 0x7FFFFFFF, 0xFFFFFFF8, 0xFFFFFFFF};
    return sizes[random() % std::size(sizes)];
}

inline size_t mutate(uint8_t* data, size_t size, size_t max_size, unsigned int seed) {
    std::minstd_rand random(seed);
    std::vector<Chunk> chunks = split(data, size);
    if (chunks.empty() || random() % 16 == 0) {
        return LLVMFuzzerMutate(data, size, max_size);
    }
    Chunk& chunk = chunks[random() % chunks.size()];
    switch (random() % 8) {
        case 0:
        case 1:
        case 2: {
            // Room for the body to grow by what the other chunks leave free.
            const size_t others = size - chunk.body.size();
            const size_t room = max_size > others ? max_size - others : chunk.body.size();
            const size_t kept = chunk.body.size();
            chunk.body.resize(std::max<size_t>(room, 1));
            chunk.body.resize(LLVMFuzzerMutate(chunk.body.data(), kept, chunk.body.size()));
            break;
        }
        case 3:
            pick_tag(chunk.tag, random);
            break;
        case 4:
            chunk.odd_size = pick_odd_size(chunk, random);
            break;
        case 5:
            std::swap(chunk, chunks[random() % chunks.size()]);
            break;
        case 6:
            chunks.insert(chunks.begin() + static_cast<long>(random() % chunks.size()),
                          Chunk(chunk));
            break;
        default:
            if (chunks.size() > 1) {
                chunks.erase(chunks.begin() + (&chunk - chunks.data()));
            }
            break;
    }
    const size_t joined = join(chunks, data, max_size);
    return joined != 0 ? joined : LLVMFuzzerMutate(data, size, max_size);
}

}  // namespace chunk_mutator

extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t max_size,
                                          unsigned int seed) {
    return chunk_mutator::mutate(data, size, max_size, seed);
}

}  // namespace qx
