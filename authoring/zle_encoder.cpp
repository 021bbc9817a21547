#include "authoring/zle_encoder.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "authoring/dct_colour_model.h"
#include "authoring/dct_macroblock_coder.h"
#include "codecs/dct/coefficient_block.h"
#include "codecs/dct/zle_codes.h"

namespace {

constexpr int32_t AC_LEVEL_LIMIT = 255;
constexpr int32_t DC_DIFFERENCE_LIMIT = 255;
constexpr int32_t SEARCH_LOW = -8;
constexpr int32_t SEARCH_HIGH = 7;

// Channel chroma indexes its tables by the low byte, so it keeps within a signed byte; channel
// luma only needs to stay near the tables, which clamp.
constexpr SampleRange CHANNEL_LUMA_RANGE = {-150, 300};
constexpr SampleRange CHANNEL_CHROMA_RANGE = {-126.9, 125.9};

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

}  // namespace

// One macroblock coded as six intra blocks: its bits, the predictors after it and the samples
// a player will show.
struct ZleEncoder::Macroblock {
    std::vector<Symbol> symbols;
    int32_t predictors[3];
    double shown[6][64];
};

ZleEncoder::ZleEncoder(ZleEncoderOptions options) : options_(options) {
    options_.quality = std::clamp(options_.quality, 0, 100);
    steps_[0] = 8;
    for (int32_t i = 1; i < 64; ++i) {
        steps_[i] = options_.quality == 100
                        ? 8.0
                        : ZLE_DEFAULT_INTRA_MATRIX[i] * (107 - options_.quality) / 16.0;
    }
}

std::array<double, 3> ZleEncoder::shown_colour(int32_t y, int32_t cb, int32_t cr) const {
    return options_.channel_conversion ? channel_colour(y, cb, cr) : summed_colour(y, cb, cr);
}

ZleEncoder::Macroblock ZleEncoder::code_macroblock(const SamplePlanes& planes, int32_t x, int32_t y,
                                                   const int32_t* predictors) const {
    const MacroblockSamples samples = macroblock_samples(planes, x, y);
    Macroblock mb;
    std::copy(predictors, predictors + 3, mb.predictors);
    const bool channel = options_.channel_conversion;
    MacroblockLevels coded = quantise_macroblock(
        samples, steps_, AC_LEVEL_LIMIT, channel ? CHANNEL_LUMA_RANGE : SUMMED_SAMPLE_RANGE,
        channel ? CHANNEL_CHROMA_RANGE : SUMMED_SAMPLE_RANGE, !channel);
    for (int32_t b = 0; b < 6; ++b) {
        const int32_t component = b < 4 ? 0 : b - 3;
        const int32_t* levels = coded.levels[b];
        std::copy(coded.shown[b], coded.shown[b] + 64, mb.shown[b]);
        // The DC level is the predictor itself; a jump beyond one code's reach is spread over
        // the following blocks.
        int32_t& predictor = mb.predictors[component];
        const int32_t difference =
            std::clamp(levels[0] - predictor, -DC_DIFFERENCE_LIMIT, DC_DIFFERENCE_LIMIT);
        const double shift =
            std::floor((predictor + difference) / 2.0) - std::floor(levels[0] / 2.0);
        for (double& shown : mb.shown[b]) {
            shown += shift;
        }
        predictor += difference;
        put_dc(mb.symbols, difference, component == 0);
        put_ac(mb.symbols, levels);
    }
    return mb;
}

std::vector<uint8_t> ZleEncoder::encode(const RgbPicture& picture) {
    const int32_t width = picture.width;
    const int32_t height = picture.height;
    const SamplePlanes planes =
        options_.channel_conversion ? channel_samples(picture) : summed_samples(picture);
    const bool can_copy = options_.copies && width == width_ && height == height_ &&
                          reference_.size() == size_t(width) * height * 3;
    std::vector<float> shown(size_t(width) * height * 3);
    std::vector<MacroblockChoice> macroblocks;
    int32_t predictors[3] = {0, 0, 0};
    stats_ = {};

    auto squared_error = [&](const float* colours, size_t stride_pixels, int32_t x, int32_t y,
                             int32_t columns, int32_t rows) {
        double sum = 0;
        for (int32_t r = 0; r < rows; ++r) {
            for (int32_t c = 0; c < columns; ++c) {
                const uint8_t* source = picture.rgb + 3 * (size_t(y + r) * width + x + c);
                const float* colour = colours + 3 * (size_t(r) * stride_pixels + c);
                for (int32_t k = 0; k < 3; ++k) {
                    const double d = colour[k] - source[k];
                    sum += d * d;
                }
            }
        }
        return sum;
    };

    for (int32_t y = 0; y < height; y += 16) {
        for (int32_t x = 0; x < width; x += 16) {
            const int32_t columns = std::min(16, width - x);
            const int32_t rows = std::min(16, height - y);
            Macroblock coded = code_macroblock(planes, x, y, predictors);
            std::vector<float> coded_colours(16 * 16 * 3);
            for (int32_t r = 0; r < rows; ++r) {
                for (int32_t c = 0; c < columns; ++c) {
                    const int32_t luma =
                        int32_t(coded.shown[(r / 8) * 2 + c / 8][8 * (r % 8) + c % 8]);
                    const int32_t chroma_at = 8 * (r / 2) + c / 2;
                    const auto colour = shown_colour(luma, int32_t(coded.shown[4][chroma_at]),
                                                     int32_t(coded.shown[5][chroma_at]));
                    std::copy(colour.begin(), colour.end(), &coded_colours[3 * (16 * r + c)]);
                }
            }
            const double coded_error = squared_error(coded_colours.data(), 16, x, y, columns, rows);

            // The still copy first: others must do strictly better.
            double best_error = std::numeric_limits<double>::infinity();
            int32_t best_sx = 0;
            int32_t best_sy = 0;
            auto try_copy = [&](int32_t sx, int32_t sy) {
                const int32_t from_x = x - sx;
                const int32_t from_y = y - sy;
                if (from_x < 0 || from_y < 0 || from_x + columns > width ||
                    from_y + rows > height) {
                    return;
                }
                const double error =
                    squared_error(&reference_[3 * (size_t(from_y) * width + from_x)], size_t(width),
                                  x, y, columns, rows);
                if (error < best_error) {
                    best_error = error;
                    best_sx = sx;
                    best_sy = sy;
                }
            };
            if (can_copy) {
                try_copy(0, 0);
                for (int32_t sy = SEARCH_LOW; sy <= SEARCH_HIGH; ++sy) {
                    for (int32_t sx = SEARCH_LOW; sx <= SEARCH_HIGH; ++sx) {
                        try_copy(sx, sy);
                    }
                }
            }
            // A copy costs ten bits; it wins when it looks no worse than coding, with more
            // slack the lower the quality asked for.
            const double slack = 1 + (100 - options_.quality) / 200.0;
            if (best_error <= coded_error * slack) {
                macroblocks.push_back({true, best_sx, best_sy, {}});
                for (int32_t r = 0; r < rows; ++r) {
                    const float* from =
                        &reference_[3 * (size_t(y - best_sy + r) * width + x - best_sx)];
                    std::copy(from, from + 3 * columns, &shown[3 * (size_t(y + r) * width + x)]);
                }
                ++stats_.copied_macroblocks;
            } else {
                std::copy(coded.predictors, coded.predictors + 3, predictors);
                macroblocks.push_back({false, 0, 0, std::move(coded.symbols)});
                for (int32_t r = 0; r < rows; ++r) {
                    std::copy(&coded_colours[3 * 16 * r], &coded_colours[3 * (16 * r + columns)],
                              &shown[3 * (size_t(y + r) * width + x)]);
                }
                ++stats_.coded_macroblocks;
            }
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
    payload[4] = uint8_t(options_.quality);
    payload[7] = uint8_t((stats_.all_intra ? 1 : 0) | (options_.channel_conversion ? 2 : 0));
    std::copy(stream.begin(), stream.end(), payload.begin() + 8);
    width_ = width;
    height_ = height;
    reference_ = std::move(shown);
    return payload;
}
