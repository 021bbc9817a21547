#pragma once
#include <cstddef>
#include <cstdint>

#include "base/cpu_features.h"
#include "codecs/rkd/rkd_assemble.h"
#include "codecs/rkd/rkd_block_mask.h"
#include "codecs/rkd/rkd_convert.h"
#include "codecs/rkd/rkd_unpack.h"

namespace qx {

// The hot loops of the Rkd codec, each reached through this table: the plain reference is
// always there, and faster versions replace it where the processor has the instructions.
// Every version gives the reference's output bit for bit (the kernel checker proves it).

using RkdUnpackKernel = RkdUnpackResult (*)(const uint8_t* source, size_t source_bytes,
                                            uint8_t* destination, size_t destination_bytes);
using RkdAssembleKernel = void (*)(const int32_t* block_map, const uint8_t* previous,
                                   uint8_t* picture, const RkdBlockSources& sources, int32_t width,
                                   int32_t height, const uint64_t* kept);
using RkdMarkBlocksKernel = void (*)(const int32_t* block_map, int32_t columns, int32_t rows,
                                     uint32_t index, uint64_t* mask);
// Fields of a width rkd_index_width_supported accepts, marked in `marks` as
// rkd_mark_fields marks them.
using RkdIndexFieldsKernel = void (*)(int32_t* destination, const uint8_t* source,
                                      size_t source_bytes, uint32_t count, uint32_t width,
                                      uint32_t marked, uint64_t* marks);
using RkdConvertKernel = void (*)(const RkdConversion& conversion);

struct RkdKernels {
    RkdUnpackKernel unpack;
    RkdAssembleKernel assemble_picture;
    RkdMarkBlocksKernel mark_blocks_of_index;
    RkdIndexFieldsKernel read_index_fields;
    RkdConvertKernel convert;
};

// The plain versions everything is checked against.
RkdKernels rkd_reference_kernels();
// The fastest versions up to `level`.
RkdKernels rkd_kernels_for(CpuLevel level);
// The table the decoders use, filled for this processor on first use.
const RkdKernels& rkd_kernels();

// How the vector index readers take eight fields of a supported width from the 16 bytes at
// their first byte: the bytes of the 32-bit word each field lies in, for one byte shuffle
// (0x80 where a byte holds none of its bits, which zeroes it), and the shift that aligns it.
struct RkdEightFields {
    alignas(32) uint8_t word_bytes[32];
    alignas(32) uint32_t shifts[8];
};
RkdEightFields rkd_eight_fields(uint32_t width);

// A vector index reader's marks of fields j to j + 7 (bit k for field j + k), gathered in
// `word` and stored in `marks` once the word holds 64.
inline void rkd_add_eight_marks(uint32_t eight, uint32_t j, uint64_t& word, uint64_t* marks) {
    word |= uint64_t{eight} << (j % 64);
    if (j % 64 == 56) {
        marks[j / 64] = word;
        word = 0;
    }
}

// The end of a vector index reader that stopped at field `first`, byte `at`, holding in `word`
// the marks of the fields it read of an unfinished mark word: the rest is read and marked by
// the portable code.
void rkd_finish_index_fields(int32_t* destination, const uint8_t* source, size_t source_bytes,
                             uint32_t count, uint32_t width, uint32_t marked, uint64_t* marks,
                             uint32_t first, size_t at, uint64_t word);

// Versions each instruction-set file adds to a table.
void rkd_kernels_avx2(RkdKernels& kernels);
void rkd_kernels_avx512(RkdKernels& kernels);
void rkd_kernels_avx512vbmi(RkdKernels& kernels);
void rkd_kernels_simd128(RkdKernels& kernels);

}  // namespace qx
