#include "authoring/rkd_block_coder.h"

#include <algorithm>
#include <cstdlib>
#include <map>

namespace qx {

namespace {

using Block = std::array<uint8_t, 16>;
using QuadBlock = std::array<uint8_t, 8>;

inline constexpr int32_t MAX_DISPLACEMENT = 511;
inline constexpr int32_t MAX_TABLE_INDEXES = 65536;
inline constexpr int32_t MAX_COUNT = 65535;

enum class Choice { vector, raw, quad };

struct BlockChoice {
    Choice choice;
    int32_t index;  // into the vectors, raw blocks or quad blocks
};

struct Candidate {
    bool found = false;
    int64_t error = INT64_MAX;
};

class BlockCoder {
  public:
    BlockCoder(const uint8_t* picture, const std::vector<uint8_t>& previous, int32_t width,
               int32_t height, const RkdPalette& palette, const RkdBlockCoderOptions& options)
        : picture_(picture),
          previous_(previous),
          width_(width),
          height_(height),
          options_(options),
          distances_(256 * 256) {
        // Block choices compare palette entries millions of times a frame: look them up.
        for (int32_t a = 0; a < 256; ++a) {
            for (int32_t b = 0; b < 256; ++b) {
                distances_[size_t(a) * 256 + size_t(b)] =
                    rkd_colour_distance(palette, uint8_t(a), uint8_t(b));
            }
        }
        int32_t radius = std::clamp(options.search_radius, 0, MAX_DISPLACEMENT);
        for (int32_t dy = -radius; dy <= radius; ++dy) {
            for (int32_t dx = -radius; dx <= radius; ++dx) {
                window_.push_back({dx, dy});
            }
        }
        // Nearest displacements first, so that the first exact match is the likeliest reuse.
        std::stable_sort(
            window_.begin(), window_.end(), [](const RkdMotionVector& a, const RkdMotionVector& b) {
                return std::abs(a.dx) + std::abs(a.dy) < std::abs(b.dx) + std::abs(b.dy);
            });
    }

    bool code(std::vector<uint8_t>& reconstruction, RkdInterCode& code) {
        std::vector<uint8_t> next(previous_.size());
        std::vector<BlockChoice> choices;
        for (int32_t y = 0; y < height_; y += 4) {
            for (int32_t x = 0; x < width_; x += 4) {
                Block block = read_block(picture_, x, y);
                Block shown;
                choices.push_back(choose(block, x, y, shown, code));
                write_block(next.data(), x, y, shown);
            }
        }
        int32_t vectors = int32_t(code.vectors.size());
        int32_t raw = int32_t(code.raw_blocks.size());
        int32_t quads = int32_t(code.quad_blocks.size());
        if (vectors > MAX_COUNT || raw > MAX_COUNT || quads > MAX_COUNT ||
            vectors + raw + quads > MAX_TABLE_INDEXES) {
            return false;
        }
        for (const BlockChoice& c : choices) {
            int32_t base = c.choice == Choice::vector ? 0
                           : c.choice == Choice::raw  ? vectors
                                                      : vectors + raw;
            code.block_map.push_back(base + c.index);
        }
        reconstruction.swap(next);
        return true;
    }

  private:
    Block read_block(const uint8_t* from, int32_t x, int32_t y) const {
        Block block;
        for (int32_t r = 0; r < 4; ++r) {
            std::copy_n(from + size_t(y + r) * size_t(width_) + size_t(x), 4,
                        block.begin() + 4 * r);
        }
        return block;
    }

    void write_block(uint8_t* to, int32_t x, int32_t y, const Block& block) const {
        for (int32_t r = 0; r < 4; ++r) {
            std::copy_n(block.begin() + 4 * r, 4, to + size_t(y + r) * size_t(width_) + size_t(x));
        }
    }

    int32_t distance(uint8_t a, uint8_t b) const { return distances_[size_t(a) * 256 + b]; }

    int64_t block_error(const Block& want, const Block& got) const {
        int64_t total = 0;
        for (size_t p = 0; p < 16; ++p) {
            total += distance(want[p], got[p]);
        }
        return total;
    }

    // The displacement within the window whose previous block matches best; stops at the first
    // exact one.
    Candidate search(const Block& block, int32_t x, int32_t y, RkdMotionVector& best) const {
        Candidate candidate;
        bool lossy = options_.max_block_error > 0;
        for (const RkdMotionVector& v : window_) {
            int32_t sx = x + v.dx;
            int32_t sy = y + v.dy;
            if (sx < 0 || sy < 0 || sx + 4 > width_ || sy + 4 > height_) {
                continue;
            }
            Block there = read_block(previous_.data(), sx, sy);
            int64_t error = there == block ? 0 : lossy ? block_error(block, there) : INT64_MAX;
            if (error < candidate.error) {
                candidate = {true, error};
                best = v;
                if (error == 0) {
                    break;
                }
            }
        }
        return candidate;
    }

    // The four colours and selectors that approximate `block` best, as a medoid clustering
    // over the block's own colours (exact when it has at most four).
    QuadBlock fit_quad(const Block& block, Block& shown) const {
        std::array<int32_t, 256> uses{};
        std::vector<uint8_t> distinct;
        for (uint8_t p : block) {
            if (uses[p]++ == 0) {
                distinct.push_back(p);
            }
        }
        std::stable_sort(distinct.begin(), distinct.end(),
                         [&](uint8_t a, uint8_t b) { return uses[a] > uses[b]; });
        std::array<uint8_t, 4> colours;
        for (size_t c = 0; c < 4; ++c) {
            colours[c] = distinct[std::min(c, distinct.size() - 1)];
        }
        std::array<uint8_t, 16> selector{};
        for (int32_t round = 0; round < 3; ++round) {
            assign(block, colours, selector);
            if (distinct.size() <= 4) {
                break;
            }
            for (uint8_t c = 0; c < 4; ++c) {
                colours[c] = medoid(block, selector, c, distinct, colours[c]);
            }
        }
        assign(block, colours, selector);
        QuadBlock quad{colours[0], colours[1], colours[2], colours[3], 0, 0, 0, 0};
        uint32_t selectors = 0;
        for (uint32_t p = 0; p < 16; ++p) {
            selectors |= uint32_t(selector[p]) << (30 - 2 * p);
            shown[p] = colours[selector[p]];
        }
        for (size_t b = 0; b < 4; ++b) {
            quad[4 + b] = uint8_t(selectors >> (8 * b));
        }
        return quad;
    }

    void assign(const Block& block, const std::array<uint8_t, 4>& colours,
                std::array<uint8_t, 16>& selector) const {
        for (size_t p = 0; p < 16; ++p) {
            int32_t best = INT32_MAX;
            for (uint8_t c = 0; c < 4; ++c) {
                int32_t d = distance(block[p], colours[c]);
                if (d < best) {
                    best = d;
                    selector[p] = c;
                }
            }
        }
    }

    uint8_t medoid(const Block& block, const std::array<uint8_t, 16>& selector, uint8_t cluster,
                   const std::vector<uint8_t>& distinct, uint8_t current) const {
        uint8_t best = current;
        int64_t best_error = INT64_MAX;
        for (uint8_t candidate : distinct) {
            int64_t error = 0;
            for (size_t p = 0; p < 16; ++p) {
                if (selector[p] == cluster) {
                    error += distance(block[p], candidate);
                }
            }
            if (error < best_error) {
                best_error = error;
                best = candidate;
            }
        }
        return best;
    }

    static int32_t distinct_count(const Block& block) {
        Block sorted = block;
        std::sort(sorted.begin(), sorted.end());
        return int32_t(std::unique(sorted.begin(), sorted.end()) - sorted.begin());
    }

    BlockChoice choose(const Block& block, int32_t x, int32_t y, Block& shown, RkdInterCode& code) {
        RkdMotionVector vector{0, 0};
        Candidate moved = search(block, x, y, vector);
        if (moved.found && moved.error == 0) {
            return take_vector(vector, x, y, 0, shown, code);
        }
        bool exact_quad = distinct_count(block) <= 4;
        Block quad_shown;
        QuadBlock quad{};
        int64_t quad_error = INT64_MAX;
        if (exact_quad || options_.max_block_error > 0) {
            quad = fit_quad(block, quad_shown);
            quad_error = exact_quad ? 0 : block_error(block, quad_shown);
        }
        bool vector_usable = moved.found && moved.error <= options_.max_block_error;
        bool quad_usable = quad_error <= options_.max_block_error;
        if (vector_usable && (!quad_usable || moved.error <= quad_error)) {
            return take_vector(vector, x, y, moved.error, shown, code);
        }
        if (quad_usable) {
            shown = quad_shown;
            note_error(code, quad_error);
            return {Choice::quad, table_index(quad, quad_indexes_, code.quad_blocks)};
        }
        shown = block;
        return {Choice::raw, table_index(block, raw_indexes_, code.raw_blocks)};
    }

    BlockChoice take_vector(const RkdMotionVector& vector, int32_t x, int32_t y, int64_t error,
                            Block& shown, RkdInterCode& code) {
        shown = read_block(previous_.data(), x + vector.dx, y + vector.dy);
        note_error(code, error);
        return {Choice::vector, vector_index(vector, code)};
    }

    static void note_error(RkdInterCode& code, int64_t error) {
        if (error > 0) {
            ++code.lossy_blocks;
            code.max_block_error = std::max(code.max_block_error, error);
        }
    }

    int32_t vector_index(const RkdMotionVector& v, RkdInterCode& code) {
        auto [at, added] = vector_indexes_.try_emplace({v.dx, v.dy}, int32_t(code.vectors.size()));
        if (added) {
            code.vectors.push_back(v);
        }
        return at->second;
    }

    // Identical table blocks are sent once and shared.
    template <typename Entry>
    static int32_t table_index(const Entry& entry, std::map<Entry, int32_t>& indexes,
                               std::vector<Entry>& table) {
        auto [at, added] = indexes.try_emplace(entry, int32_t(table.size()));
        if (added) {
            table.push_back(entry);
        }
        return at->second;
    }

    const uint8_t* picture_;
    const std::vector<uint8_t>& previous_;
    int32_t width_;
    int32_t height_;
    RkdBlockCoderOptions options_;
    std::vector<int32_t> distances_;  // squared RGB distance of every pair of entries
    std::vector<RkdMotionVector> window_;
    std::map<std::pair<int32_t, int32_t>, int32_t> vector_indexes_;
    std::map<Block, int32_t> raw_indexes_;
    std::map<QuadBlock, int32_t> quad_indexes_;
};

}  // namespace

bool rkd_code_inter_blocks(const uint8_t* picture, std::vector<uint8_t>& reconstruction,
                           int32_t width, int32_t height, const RkdPalette& palette,
                           const RkdBlockCoderOptions& options, RkdInterCode& code) {
    code = RkdInterCode{};
    BlockCoder coder(picture, reconstruction, width, height, palette, options);
    return coder.code(reconstruction, code);
}

}  // namespace qx
