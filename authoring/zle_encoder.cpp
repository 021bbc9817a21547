#include "authoring/zle_encoder.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "authoring/dct_quality.h"
#include "codecs/dct/coefficient_block.h"
#include "codecs/dct/zle_codes.h"
#include "codecs/dct/zle_frame.h"

namespace qx {

namespace {

constexpr int32_t AC_LEVEL_LIMIT = 255;
constexpr int32_t DC_DIFFERENCE_LIMIT = 255;
constexpr int32_t SEARCH_LOW = -8;
constexpr int32_t SEARCH_HIGH = 7;

// Bits most significant first, packed into 32-bit little-endian words.
class MsbBitWriter {
  public:
    void put(uint32_t value, int32_t bits) {
        for (int32_t i = bits - 1; i >= 0; --i) {
            word_ = word_ << 1 | ((value >> i) & 1);
            if (++count_ == 32) {
                flush_word();
            }
        }
    }
    // Pads the last word, then adds one zero word: readers look one word ahead.
    std::vector<uint8_t> finish() {
        if (count_ > 0) {
            word_ <<= 32 - count_;
            flush_word();
        }
        flush_word();
        return bytes_;
    }

  private:
    void flush_word() {
        for (int32_t shift = 0; shift < 32; shift += 8) {
            bytes_.push_back(uint8_t(word_ >> shift));
        }
        word_ = 0;
        count_ = 0;
    }
    std::vector<uint8_t> bytes_;
    uint32_t word_ = 0;
    int32_t count_ = 0;
};

struct Symbol {
    uint32_t value;
    int32_t bits;
};

// Variable-length codes by run and level, from the standard's table.
struct CoeffCodeBook {
    int16_t index[32][41];
};

CoeffCodeBook make_code_book() {
    CoeffCodeBook book;
    for (auto& row : book.index) {
        std::fill(std::begin(row), std::end(row), int16_t{-1});
    }
    for (size_t i = 0; i < std::size(ZLE_DCT_COEFF_NEXT); ++i) {
        book.index[ZLE_DCT_COEFF_NEXT[i].run][ZLE_DCT_COEFF_NEXT[i].level] = int16_t(i);
    }
    return book;
}

const CoeffCodeBook& code_book() {
    static const CoeffCodeBook book = make_code_book();
    return book;
}

void put_dc(std::vector<Symbol>& out, int32_t difference, bool luma) {
    const int32_t size = std::bit_width(uint32_t(std::abs(difference)));
    const ZleDcSizeCode& code = luma ? ZLE_DC_SIZE_LUMINANCE[size] : ZLE_DC_SIZE_CHROMINANCE[size];
    out.push_back({code.bits, code.length});
    if (size > 0) {
        const int32_t value = difference > 0 ? difference : difference + (1 << size) - 1;
        out.push_back({uint32_t(value), size});
    }
}

void put_escape(std::vector<Symbol>& out, int32_t run, int32_t level) {
    out.push_back({ZLE_ESCAPE.bits, ZLE_ESCAPE.length});
    out.push_back({uint32_t(run), 6});
    if (level >= 1 && level <= 127) {
        out.push_back({uint32_t(level), 8});
    } else if (level <= -1 && level >= -127) {
        out.push_back({uint32_t(level + 256), 8});
    } else if (level > 0) {
        out.push_back({0, 8});
        out.push_back({uint32_t(level), 8});
    } else {
        out.push_back({0x80, 8});
        out.push_back({uint32_t(level + 256), 8});
    }
}

void put_ac(std::vector<Symbol>& out, const int32_t* levels) {
    int32_t run = 0;
    for (int32_t n = 1; n < 64; ++n) {
        const int32_t level = levels[scan_index[n]];
        if (level == 0) {
            ++run;
            continue;
        }
        const int32_t magnitude = std::abs(level);
        const int16_t index =
            run < 32 && magnitude <= 40 ? code_book().index[run][magnitude] : int16_t{-1};
        if (index >= 0) {
            const ZleCoeffCode& code = ZLE_DCT_COEFF_NEXT[index];
            out.push_back({uint32_t(code.bits) << 1 | (level < 0 ? 1u : 0u), code.length + 1});
        } else {
            put_escape(out, run, level);
        }
        run = 0;
    }
    out.push_back({ZLE_END_OF_BLOCK.bits, ZLE_END_OF_BLOCK.length});
}

// A macroblock as it goes into the stream: copied with a displacement, or coded.
struct MacroblockChoice {
    bool copied;
    int32_t sx;
    int32_t sy;
    std::vector<Symbol> symbols;
};

// Summed squared RGB error of a 16 x 16 (or clipped) area against the source picture, given
// up once it passes `limit`.
int64_t area_error(const uint8_t* source, const uint8_t* shown, size_t stride_bytes,
                   int32_t columns, int32_t rows, int64_t limit) {
    int64_t sum = 0;
    for (int32_t r = 0; r < rows && sum <= limit; ++r) {
        sum +=
            squared_error(source + r * stride_bytes, shown + r * stride_bytes, size_t(columns) * 3);
    }
    return sum;
}

// Codes the 16 x 16 RGB `source` as six blocks after the DC `predictors`, which it moves on;
// appends the symbols.
MacroblockCoding code_zle_macroblock(const uint8_t* source, const DctQuantiser& quantiser,
                                     int32_t* predictors, std::vector<Symbol>& symbols) {
    MacroblockCoding coding = code_macroblock(source, quantiser);
    bool moved = false;
    for (int32_t b = 0; b < 6; ++b) {
        const int32_t component = b < 4 ? 0 : b - 3;
        // A jump beyond one code's reach is spread over the following blocks.
        int32_t& predictor = predictors[component];
        const int32_t difference =
            std::clamp(coding.levels[b][0] - predictor, -DC_DIFFERENCE_LIMIT, DC_DIFFERENCE_LIMIT);
        moved = moved || predictor + difference != coding.levels[b][0];
        predictor += difference;
        coding.levels[b][0] = predictor;
        put_dc(symbols, difference, component == 0);
        put_ac(symbols, coding.levels[b]);
    }
    if (moved) {
        show_macroblock(source, quantiser, coding);
    }
    return coding;
}

}  // namespace

ZleEncoder::ZleEncoder(ZleEncoderOptions options) : options_(options) {
    options_.quality = std::clamp(options_.quality, 0, 100);
    quantiser_.conversion =
        options_.channel_conversion ? DctConversion::Channel : DctConversion::Summed;
    stream_quality_ = zle_stream_quality(options_.quality);
    zle_build_dequant_table(quantiser_.dequant, stream_quality_);
    set_quantiser_steps(quantiser_);
    quantiser_.level_limit = AC_LEVEL_LIMIT;
    // The DC level is the predictor itself; its reach from the previous block is settled when
    // the symbols are written.
    quantiser_.dc_low = -4096;
    quantiser_.dc_high = 4095;
}

ZleEncoder::CopyChoice ZleEncoder::best_copy(const RgbPicture& picture, int32_t x, int32_t y,
                                             std::span<const CopyChoice> predictions) const {
    const size_t stride = size_t(picture.width) * 3;
    const int32_t columns = std::min(16, picture.width - x);
    const int32_t rows = std::min(16, picture.height - y);
    const uint8_t* source = picture.rgb + size_t(y) * stride + size_t(x) * 3;
    CopyChoice best;
    auto try_copy = [&](int32_t sx, int32_t sy) {
        const int32_t from_x = x - sx;
        const int32_t from_y = y - sy;
        if (sx < SEARCH_LOW || sx > SEARCH_HIGH || sy < SEARCH_LOW || sy > SEARCH_HIGH ||
            from_x < 0 || from_y < 0 || from_x + columns > picture.width ||
            from_y + rows > picture.height) {
            return;
        }
        const uint8_t* from = reference_.data() + size_t(from_y) * stride + size_t(from_x) * 3;
        const int64_t error = area_error(source, from, stride, columns, rows, best.error);
        if (error < best.error) {
            best = {sx, sy, error};
        }
    };
    // The still copy first, so that others must do strictly better; then the displacements
    // of the neighbours, then steps of one pixel downhill from the best.
    try_copy(0, 0);
    for (const CopyChoice& guess : predictions) {
        try_copy(guess.sx, guess.sy);
    }
    for (bool moved = best.error > 0; moved;) {
        const CopyChoice centre = best;
        for (const auto& [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}}) {
            try_copy(centre.sx + dx, centre.sy + dy);
        }
        moved = best.error < centre.error && best.error > 0;
    }
    return best;
}

void ZleEncoder::copy_area(int32_t x, int32_t y, const CopyChoice& copy,
                           std::vector<uint8_t>& shown) const {
    const size_t stride = size_t(width_) * 3;
    const int32_t columns = std::min(16, width_ - x);
    const int32_t rows = std::min(16, height_ - y);
    for (int32_t r = 0; r < rows; ++r) {
        const uint8_t* from =
            reference_.data() + size_t(y - copy.sy + r) * stride + size_t(x - copy.sx) * 3;
        std::copy(from, from + 3 * columns, shown.data() + size_t(y + r) * stride + size_t(x) * 3);
    }
}

std::vector<uint8_t> ZleEncoder::encode(const RgbPicture& picture) {
    const int32_t width = picture.width;
    const int32_t height = picture.height;
    const size_t stride = size_t(width) * 3;
    const bool can_copy = options_.copies && width == width_ && height == height_ &&
                          reference_.size() == stride * height;
    std::vector<uint8_t> shown(stride * height);
    std::vector<MacroblockChoice> macroblocks;
    int32_t predictors[3] = {0, 0, 0};
    stats_ = {};
    uint8_t source[256 * 3];
    // A copy costs ten bits; it wins when it looks no worse than coding, with more slack the
    // lower the quality asked for.
    const double slack = 1 + (100 - options_.quality) / 200.0;

    // The displacements found for the row above and the macroblock to the left.
    std::vector<CopyChoice> found(size_t(width + 15) / 16);
    for (int32_t y = 0; y < height; y += 16) {
        CopyChoice left;
        for (int32_t x = 0; x < width; x += 16) {
            const int32_t columns = std::min(16, width - x);
            const int32_t rows = std::min(16, height - y);
            const size_t at = size_t(y) * stride + size_t(x) * 3;
            macroblock_pixels(picture, x, y, source);
            CopyChoice& above = found[size_t(x / 16)];
            const CopyChoice predictions[] = {left, above};
            const CopyChoice copy = can_copy ? best_copy(picture, x, y, predictions) : CopyChoice{};
            left = above = copy;
            // A still area copied without loss needs no coding at all.
            if (copy.error == 0) {
                macroblocks.push_back({true, copy.sx, copy.sy, {}});
                copy_area(x, y, copy, shown);
                ++stats_.copied_macroblocks;
                continue;
            }
            int32_t coded_predictors[3] = {predictors[0], predictors[1], predictors[2]};
            std::vector<Symbol> symbols;
            const MacroblockCoding coded =
                code_zle_macroblock(source, quantiser_, coded_predictors, symbols);
            const int64_t coded_error =
                area_error(source, coded.shown, 48, columns, rows, INT64_MAX);
            if (double(copy.error) <= double(coded_error) * slack) {
                macroblocks.push_back({true, copy.sx, copy.sy, {}});
                copy_area(x, y, copy, shown);
                ++stats_.copied_macroblocks;
                continue;
            }
            std::copy(coded_predictors, coded_predictors + 3, predictors);
            macroblocks.push_back({false, 0, 0, std::move(symbols)});
            for (int32_t r = 0; r < rows; ++r) {
                std::copy(coded.shown + 48 * r, coded.shown + 48 * r + 3 * columns,
                          shown.data() + at + r * stride);
            }
            ++stats_.coded_macroblocks;
        }
    }

    stats_.all_intra = stats_.copied_macroblocks == 0;
    MsbBitWriter writer;
    for (const MacroblockChoice& mb : macroblocks) {
        if (mb.copied) {
            // Copy flag, spare bit, then the 4-bit displacements.
            writer.put(1, 1);
            writer.put(0, 1);
            writer.put(uint32_t(mb.sx) & 0xF, 4);
            writer.put(uint32_t(mb.sy) & 0xF, 4);
            continue;
        }
        if (!stats_.all_intra) {
            writer.put(0, 1);
        }
        for (const Symbol& symbol : mb.symbols) {
            writer.put(symbol.value, symbol.bits);
        }
    }
    const std::vector<uint8_t> stream = writer.finish();
    std::vector<uint8_t> payload(8 + stream.size(), 0);
    payload[0] = uint8_t(width);
    payload[1] = uint8_t(width >> 8);
    payload[2] = uint8_t(height);
    payload[3] = uint8_t(height >> 8);
    payload[4] = uint8_t(stream_quality_);
    payload[7] = uint8_t((stats_.all_intra ? 1 : 0) | (options_.channel_conversion ? 2 : 0));
    std::copy(stream.begin(), stream.end(), payload.begin() + 8);
    width_ = width;
    height_ = height;
    reference_ = std::move(shown);
    return payload;
}

}  // namespace qx
