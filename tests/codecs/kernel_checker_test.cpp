// The kernel checker: every version of every kernel the processor can run is compared with the
// plain reference on random and edge inputs, wrap-around values included. One differing bit,
// or one byte written outside the output, fails.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <memory>
#include <random>
#include <vector>

#include "codecs/dct/dct_kernels.h"
#include "codecs/rkd/rkd_bit_fields.h"
#include "codecs/rkd/rkd_kernels.h"
#include "tests/codecs/dct/dct_test_support.h"

namespace qx {

namespace {

constexpr uint8_t GUARD = 0xA5;

std::vector<CpuLevel> supported_levels() {
    std::vector<CpuLevel> levels;
    for (CpuLevel level : CPU_LEVELS) {
        if (level <= cpu_level()) {
            levels.push_back(level);
        }
    }
    return levels;
}

// Values the codecs meet, and the extremes that make their arithmetic wrap.
int32_t edgy_value(std::mt19937& random, int32_t spread) {
    switch (random() % 8) {
        case 0:
            return 0;
        case 1:
            return random() % 2 ? INT32_MAX : INT32_MIN;
        case 2:
            return int32_t(random());
        default:
            return int32_t(random() % uint32_t(2 * spread + 1)) - spread;
    }
}

// Blocks of every shape the transforms tell apart, with values as quantisation leaves them or
// of any 32 bits: empty, DC only, one frequency group, a single coefficient anywhere (the edges
// of the shape tests), random sets of groups and vertical frequencies (empty groups inside a
// full block), low frequencies, all 64.
CoefficientBlock checker_block(std::mt19937& random, int32_t trial) {
    CoefficientBlock block{};
    const int32_t spread = trial % 2 ? 1 << 20 : 1 << 28;
    const int32_t shape = trial / 2 % 7;
    const uint32_t groups = random();
    const uint32_t verticals = random();
    const int32_t single = int32_t(random() % 64);
    for (int32_t i = 0; i < 64; ++i) {
        const int32_t u = i / 8;
        const int32_t v = i % 8;
        bool used = true;
        switch (shape) {
            case 0:
                used = false;
                break;
            case 1:
                used = i == 0;
                break;
            case 2:
                used = u == 0;
                break;
            case 3:
                used = i == single;
                break;
            case 4:
                used = (groups >> u & 1) && (verticals >> v & 1);
                break;
            case 5:
                used = (u < 3 && v < 3) || random() % 16 == 0;
                break;
        }
        block.values[i] = used ? edgy_value(random, spread) : 0;
    }
    return block;
}

TEST(KernelChecker, ActiveTablesAreThoseOfThisProcessor) {
    const DctKernels expected = dct_kernels_for(cpu_level());
    EXPECT_EQ(dct_kernels().idct_block, expected.idct_block);
    EXPECT_EQ(dct_kernels().convert_macroblock[CONVERT_SUMMED_2],
              expected.convert_macroblock[CONVERT_SUMMED_2]);
    EXPECT_EQ(rkd_kernels().convert, rkd_kernels_for(cpu_level()).convert);
}

TEST(KernelChecker, IdctBlockMatchesTheReference) {
    const IdctBlockKernel reference = dct_reference_kernels().idct_block;
    std::mt19937 random(14);
    for (CpuLevel level : supported_levels()) {
        SCOPED_TRACE(cpu_level_name(level));
        const IdctBlockKernel kernel = dct_kernels_for(level).idct_block;
        for (int32_t trial = 0; trial < 7000; ++trial) {
            const CoefficientBlock block = checker_block(random, trial);
            // Stride 11 leaves three guard samples after every row.
            std::vector<int32_t> expected(8 * 11 + 3, -7);
            std::vector<int32_t> actual(8 * 11 + 3, -7);
            reference(block, expected.data(), 11);
            kernel(block, actual.data(), 11);
            ASSERT_EQ(actual, expected) << "trial " << trial;
        }
    }
}

MacroblockPlanes checker_planes(std::mt19937& random, int32_t spread) {
    MacroblockPlanes planes;
    for (int32_t& s : planes.luma_plane) {
        s = edgy_value(random, spread);
    }
    for (int32_t i = 0; i < 64; ++i) {
        planes.cb_plane[i] = edgy_value(random, spread);
        planes.cr_plane[i] = edgy_value(random, spread);
    }
    return planes;
}

// Tables of the three display formats, and one of arbitrary words whose sums carry across
// the 16-bit halves.
std::vector<std::unique_ptr<ColourTables>> checker_tables(std::mt19937& random) {
    std::vector<std::unique_ptr<ColourTables>> all;
    all.push_back(dct_test_tables(16, false));
    all.push_back(dct_test_tables(16, true));
    all.push_back(dct_test_tables(24, false));
    auto noise = std::make_unique<ColourTables>(*all[0]);
    for (uint32_t& word : noise->luma_table) {
        word = uint32_t(random());
    }
    for (int32_t i = 0; i < 128; ++i) {
        noise->cb_table[i] = uint32_t(random());
        noise->cr_table[i] = uint32_t(random());
    }
    all.push_back(std::move(noise));
    return all;
}

TEST(KernelChecker, ConvertMacroblockMatchesTheReferenceInEveryMode) {
    const DctKernels reference = dct_reference_kernels();
    std::mt19937 random(15);
    const auto tables = checker_tables(random);
    const size_t stride = 16 * 4 + 5;
    for (CpuLevel level : supported_levels()) {
        SCOPED_TRACE(cpu_level_name(level));
        const DctKernels kernels = dct_kernels_for(level);
        for (int32_t mode = CONVERT_SUMMED_2; mode <= CONVERT_CHANNEL_4; ++mode) {
            for (int32_t trial = 0; trial < 200; ++trial) {
                const MacroblockPlanes planes = checker_planes(random, trial % 2 ? 70 : 400);
                const ColourTables& table = *tables[size_t(trial) % tables.size()];
                std::vector<uint8_t> expected(16 * stride, GUARD);
                std::vector<uint8_t> actual(16 * stride, GUARD);
                reference.convert_macroblock[mode](planes, table, expected.data(), stride);
                kernels.convert_macroblock[mode](planes, table, actual.data(), stride);
                ASSERT_EQ(actual, expected) << "mode " << mode << " trial " << trial;
            }
        }
    }
}

TEST(KernelChecker, CopyRowsMatchesTheReference) {
    const CopyRowsKernel reference = dct_reference_kernels().copy_rows;
    std::mt19937 random(16);
    std::vector<uint8_t> from(40 * 100);
    for (uint8_t& byte : from) {
        byte = uint8_t(random());
    }
    for (CpuLevel level : supported_levels()) {
        SCOPED_TRACE(cpu_level_name(level));
        const CopyRowsKernel kernel = dct_kernels_for(level).copy_rows;
        for (size_t row_bytes : {32, 64, 2, 30, 62, 100}) {
            std::vector<uint8_t> expected(from.size(), GUARD);
            std::vector<uint8_t> actual(from.size(), GUARD);
            reference(expected.data() + 3, from.data() + 7, 100, 16, row_bytes);
            kernel(actual.data() + 3, from.data() + 7, 100, 16, row_bytes);
            ASSERT_EQ(actual, expected) << row_bytes;
        }
    }
}

std::vector<uint8_t> random_bytes(std::mt19937& random, size_t count, uint32_t below = 256) {
    std::vector<uint8_t> bytes(count);
    for (uint8_t& byte : bytes) {
        byte = uint8_t(random() % below);
    }
    return bytes;
}

// Streams of random commands (damaged distances, early ends and overruns included) into
// outputs of several sizes.
TEST(KernelChecker, RkdUnpackMatchesTheReference) {
    const RkdUnpackKernel reference = rkd_reference_kernels().unpack;
    std::mt19937 random(17);
    for (CpuLevel level : supported_levels()) {
        SCOPED_TRACE(cpu_level_name(level));
        const RkdUnpackKernel kernel = rkd_kernels_for(level).unpack;
        for (int32_t trial = 0; trial < 500; ++trial) {
            std::vector<uint8_t> packed = random_bytes(random, 5 + random() % 400);
            packed[0] &= 0xFE;
            const size_t output_bytes = random() % 2000;
            std::vector<uint8_t> expected(output_bytes + 8, GUARD);
            std::vector<uint8_t> actual(output_bytes + 8, GUARD);
            const RkdUnpackResult want =
                reference(packed.data(), packed.size(), expected.data(), output_bytes);
            const RkdUnpackResult got =
                kernel(packed.data(), packed.size(), actual.data(), output_bytes);
            ASSERT_EQ(got.status, want.status) << trial;
            ASSERT_EQ(got.written, want.written) << trial;
            ASSERT_EQ(actual, expected) << trial;
        }
    }
}

// A well-formed stream of literal runs and copies of every length and distance class, the
// short distances that overlap their own output included.
std::vector<uint8_t> packed_copies(std::mt19937& random, size_t output_bytes) {
    std::vector<uint8_t> packed{0, 0, 0, 0, 0};
    size_t out = 0;
    while (out < output_bytes) {
        const uint32_t literals = random() % 4;
        const size_t reach = std::min<size_t>(out + literals, 16384);
        if (reach == 0 || random() % 6 == 0) {
            const uint32_t run = 1 + random() % 28;
            packed.push_back(uint8_t(0xE0 + run - 1));
            const std::vector<uint8_t> bytes = random_bytes(random, 4 * run);
            packed.insert(packed.end(), bytes.begin(), bytes.end());
            out += 4 * run;
            continue;
        }
        // Near, middle and far distances, the far ones with copies long enough for the widest
        // moves (the 4-byte command form).
        const uint32_t kind = random() % 3;
        const uint32_t limit = kind == 0 ? 4 : kind == 1 ? 20 : 200;
        const auto distance = uint32_t(1 + random() % std::min<size_t>(reach, limit));
        const uint32_t copy = kind == 2 ? 5 + random() % 300 : 4 + random() % 64;
        if (kind == 2) {
            packed.insert(packed.end(),
                          {uint8_t(0xC0 | ((copy - 5) >> 8) << 2 | literals),
                           uint8_t((distance - 1) >> 8), uint8_t(distance - 1), uint8_t(copy - 5)});
        } else {
            packed.insert(packed.end(),
                          {uint8_t(0x80 + copy - 4), uint8_t(literals << 6 | (distance - 1) >> 8),
                           uint8_t(distance - 1)});
        }
        const std::vector<uint8_t> bytes = random_bytes(random, literals);
        packed.insert(packed.end(), bytes.begin(), bytes.end());
        out += literals + copy;
    }
    packed.push_back(0xFC);
    return packed;
}

TEST(KernelChecker, RkdUnpackMatchesTheReferenceOnOverlappingCopies) {
    const RkdUnpackKernel reference = rkd_reference_kernels().unpack;
    std::mt19937 random(21);
    for (CpuLevel level : supported_levels()) {
        SCOPED_TRACE(cpu_level_name(level));
        const RkdUnpackKernel kernel = rkd_kernels_for(level).unpack;
        for (int32_t trial = 0; trial < 300; ++trial) {
            const size_t output_bytes = 1 + random() % 3000;
            const std::vector<uint8_t> packed = packed_copies(random, output_bytes);
            // Some outputs end before the stream does.
            const size_t room = trial % 3 == 0 ? random() % output_bytes : output_bytes + 200;
            std::vector<uint8_t> expected(room + 8, GUARD);
            std::vector<uint8_t> actual(room + 8, GUARD);
            const RkdUnpackResult want =
                reference(packed.data(), packed.size(), expected.data(), room);
            const RkdUnpackResult got = kernel(packed.data(), packed.size(), actual.data(), room);
            ASSERT_EQ(got.status, want.status) << trial;
            ASSERT_EQ(got.written, want.written) << trial;
            ASSERT_EQ(actual, expected) << trial;
        }
    }
}

// A block mask with bits set at random, one in `one_in` (none when 0).
std::vector<uint64_t> random_mask(std::mt19937& random, int32_t columns, int32_t rows,
                                  uint32_t one_in) {
    std::vector<uint64_t> mask(rkd_mask_words(columns, rows), 0);
    for (uint64_t& word : mask) {
        for (int32_t bit = 0; bit < 64; ++bit) {
            if (one_in != 0 && random() % one_in == 0) {
                word |= uint64_t{1} << bit;
            }
        }
    }
    return mask;
}

// Runs of one to twelve blocks, each of one index, as a panning picture's map holds them.
std::vector<int32_t> map_of_runs(std::mt19937& random, size_t blocks, uint32_t indexes) {
    std::vector<int32_t> map(blocks);
    for (size_t at = 0; at < blocks;) {
        const auto index = int32_t(random() % indexes);
        const size_t run = std::min<size_t>(1 + random() % 12, blocks - at);
        std::fill_n(map.begin() + long(at), run, index);
        at += run;
    }
    return map;
}

// Kept blocks must come out as they stood, so the pictures start from the same stale bytes.
TEST(KernelChecker, RkdAssembleMatchesTheReference) {
    const RkdAssembleKernel reference = rkd_reference_kernels().assemble_picture;
    std::mt19937 random(18);
    for (CpuLevel level : supported_levels()) {
        SCOPED_TRACE(cpu_level_name(level));
        const RkdAssembleKernel kernel = rkd_kernels_for(level).assemble_picture;
        for (int32_t trial = 0; trial < 200; ++trial) {
            const int32_t width = 4 * int32_t(1 + random() % (trial % 4 == 3 ? 80 : 20));
            const int32_t height = 4 * int32_t(1 + random() % 12);
            const auto pixels = size_t(width) * size_t(height);
            const std::vector<uint8_t> previous = random_bytes(random, pixels);
            const std::vector<uint8_t> blocks = random_bytes(random, 16 * 5);
            // Every fourth trial pans: many vectors, most of them small displacements.
            const bool panning = trial % 4 == 1;
            std::vector<int32_t> offsets(panning ? 24 : 7);
            for (int32_t& offset : offsets) {
                const int32_t pick = int32_t(random() % (panning ? 12 : 4));
                offset = pick == 0 ? RKD_VECTOR_OUTSIDE
                         : pick == 1
                             ? int32_t(random() % (2 * pixels)) - int32_t(pixels)
                             : int32_t(random() % 9) - 4 + width * (int32_t(random() % 3) - 1);
            }
            const auto vectors = uint32_t(offsets.size());
            std::vector<int32_t> map = map_of_runs(random, pixels / 16, vectors + 6);
            // The other odd maps hold long runs of one vector, as still pictures do.
            for (int32_t& index : map) {
                if (!panning) {
                    index = trial % 2           ? int32_t(random() % 16 == 0)
                            : random() % 8 == 0 ? int32_t(random())
                                                : int32_t(random() % 14);
                }
            }
            std::vector<uint64_t> kept =
                random_mask(random, width / 4, height / 4, uint32_t(trial % 3 * 2));
            // Some keep three blocks in four, as still pictures do.
            if (trial % 6 == 2) {
                for (uint64_t& word : kept) {
                    word = ~word;
                }
            }
            const uint64_t* kept_blocks = trial % 3 == 0 ? nullptr : kept.data();
            const RkdBlockSources sources{offsets.data(), vectors, blocks.data(), 5};
            std::vector<uint8_t> expected = random_bytes(random, pixels);
            std::vector<uint8_t> actual = expected;
            reference(map.data(), previous.data(), expected.data(), sources, width, height,
                      kept_blocks);
            kernel(map.data(), previous.data(), actual.data(), sources, width, height, kept_blocks);
            ASSERT_EQ(actual, expected) << trial;
        }
    }
}

// Rows of one to three words, the index present often, never, or as a wrapped value; the mask
// made from the map's marks as it is read is the same.
TEST(KernelChecker, RkdMarkBlocksMatchesTheReference) {
    const RkdMarkBlocksKernel reference = rkd_reference_kernels().mark_blocks_of_index;
    std::mt19937 random(21);
    for (CpuLevel level : supported_levels()) {
        SCOPED_TRACE(cpu_level_name(level));
        const RkdMarkBlocksKernel kernel = rkd_kernels_for(level).mark_blocks_of_index;
        for (int32_t trial = 0; trial < 200; ++trial) {
            const auto columns = int32_t(1 + random() % 150);
            const auto rows = int32_t(1 + random() % 6);
            const uint32_t index = trial % 5 == 0 ? 0xFFFFFFFFu : random() % 4;
            std::vector<int32_t> map(size_t(columns) * size_t(rows));
            for (int32_t& value : map) {
                value = trial % 7 == 0 ? -1 : int32_t(random() % 5);
            }
            const size_t words = rkd_mask_words(columns, rows);
            std::vector<uint64_t> expected(words + 1, ~uint64_t{0});
            std::vector<uint64_t> actual(words + 1, ~uint64_t{0});
            reference(map.data(), columns, rows, index, expected.data());
            kernel(map.data(), columns, rows, index, actual.data());
            ASSERT_EQ(actual, expected) << "columns " << columns << " rows " << rows;
            std::vector<uint64_t> marks((map.size() + 63) / 64);
            rkd_mark_fields(map.data(), 0, uint32_t(map.size()), index, marks.data());
            std::vector<uint64_t> from_marks(words + 1, ~uint64_t{0});
            rkd_block_mask_from_marks(marks.data(), columns, rows, from_marks.data());
            ASSERT_EQ(from_marks, expected) << "columns " << columns << " rows " << rows;
        }
    }
}

// Every supported width, counts with and without a tail, inputs cut short; the fields' marks
// with the marked value common, rare and absent.
TEST(KernelChecker, RkdIndexFieldsMatchTheReference) {
    const RkdIndexFieldsKernel reference = rkd_reference_kernels().read_index_fields;
    std::mt19937 random(19);
    for (CpuLevel level : supported_levels()) {
        SCOPED_TRACE(cpu_level_name(level));
        const RkdIndexFieldsKernel kernel = rkd_kernels_for(level).read_index_fields;
        for (uint32_t width = 1; width <= 16; ++width) {
            if (!rkd_index_width_supported(width)) {
                continue;
            }
            for (int32_t trial = 0; trial < 30; ++trial) {
                const auto count = uint32_t(random() % 300);
                const size_t whole = (size_t{count} * width + 7) / 8;
                const std::vector<uint8_t> source =
                    random_bytes(random, trial % 3 == 0 ? random() % (whole + 1) : whole);
                std::vector<int32_t> expected(count + 2, -1);
                std::vector<int32_t> actual(count + 2, -1);
                const uint32_t marked = trial % 4 == 0 ? UINT32_MAX : random() % 3;
                const size_t words = (count + 63) / 64;
                std::vector<uint64_t> expected_marks(words + 1, ~uint64_t{0});
                std::vector<uint64_t> actual_marks(words + 1, ~uint64_t{0});
                reference(expected.data(), source.data(), source.size(), count, width, marked,
                          expected_marks.data());
                kernel(actual.data(), source.data(), source.size(), count, width, marked,
                       actual_marks.data());
                ASSERT_EQ(actual, expected) << "width " << width << " count " << count;
                ASSERT_EQ(actual_marks, expected_marks) << "width " << width << " count " << count;
            }
        }
    }
}

// One conversion trial: an 8-bit frame and the output picture both versions start from.
struct ConvertTrial {
    std::vector<uint8_t> frame;
    std::vector<uint8_t> picture;
    std::vector<uint64_t> kept;
};

// Odd trials take a picture that holds the conversion of an older frame and a mask of the
// blocks the new frame left alone; the picture must still end as the whole conversion.
ConvertTrial convert_trial(std::mt19937& random, int32_t trial, RkdConversion& conversion) {
    const RkdConvertKernel reference = rkd_reference_kernels().convert;
    const bool changes = trial % 2 == 1;
    conversion.width = changes ? 4 * int32_t(1 + random() % 90) : int32_t(1 + random() % 90);
    conversion.height = changes ? 4 * int32_t(1 + random() % 4) : int32_t(1 + random() % 12);
    conversion.palettised = trial % 8 / 2 == 1;
    conversion.double_width = trial % 8 / 2 >= 2;
    const size_t full =
        size_t(conversion.height) *
        rkd_converted_row_bytes(conversion.width, conversion.palettised, conversion.double_width);
    conversion.picture_bytes = trial % 5 == 0 ? random() % (full + 1) : full;
    ConvertTrial t{random_bytes(random, size_t(conversion.width) * conversion.height),
                   std::vector<uint8_t>(full + 8, GUARD),
                   {}};
    if (!changes) {
        return t;
    }
    const int32_t columns = conversion.width / 4;
    t.kept = random_mask(random, columns, conversion.height / 4, 1 + uint32_t(trial % 4));
    conversion.frame = t.frame.data();
    conversion.picture = t.picture.data();
    reference(conversion);
    for (size_t i = 0; i < t.frame.size(); ++i) {
        const auto block = int32_t(i % size_t(conversion.width) / 4);
        const size_t row_words = i / size_t(conversion.width) / 4 * rkd_mask_words_per_row(columns);
        if (!((t.kept[row_words + size_t(block / 64)] >> (block % 64)) & 1)) {
            t.frame[i] = uint8_t(random());
        }
    }
    return t;
}

// The four output forms, with and without the pair table, widths that leave tails, outputs
// that hold only some rows.
TEST(KernelChecker, RkdConvertMatchesTheReference) {
    const RkdConvertKernel reference = rkd_reference_kernels().convert;
    std::mt19937 random(20);
    RkdPixelTable table;
    for (uint32_t& entry : table.entries) {
        entry = uint32_t(random());
    }
    auto pairs = std::make_unique<RkdPixelPairs>();
    rkd_fill_pixel_pairs(*pairs, table);
    for (CpuLevel level : supported_levels()) {
        SCOPED_TRACE(cpu_level_name(level));
        const RkdConvertKernel kernel = rkd_kernels_for(level).convert;
        for (int32_t trial = 0; trial < 400; ++trial) {
            RkdConversion conversion{};
            conversion.table = &table;
            conversion.pairs = trial % 16 < 8 ? pairs.get() : nullptr;
            ConvertTrial t = convert_trial(random, trial, conversion);
            std::vector<uint8_t> whole = t.picture;
            std::vector<uint8_t> expected = t.picture;
            std::vector<uint8_t> actual = t.picture;
            conversion.frame = t.frame.data();
            conversion.picture = whole.data();
            reference(conversion);
            conversion.kept = t.kept.empty() ? nullptr : t.kept.data();
            conversion.picture = expected.data();
            reference(conversion);
            conversion.picture = actual.data();
            kernel(conversion);
            ASSERT_EQ(expected, whole) << "trial " << trial;
            ASSERT_EQ(actual, expected) << "trial " << trial << " width " << conversion.width;
        }
    }
}

}  // namespace

}  // namespace qx
