#include "authoring/mnb_encoder.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "authoring/dct_colour_model.h"
#include "authoring/dct_picture.h"
#include "authoring/dct_quality.h"
#include "codecs/dct/coefficient_block.h"
#include "codecs/dct/mnb_frame.h"

namespace qx {

namespace {

constexpr size_t LONGEST_RECORD = 255;
constexpr size_t SHORTEST_CODED_RECORD = 13;
constexpr int32_t LEVEL_LIMIT = 127;
constexpr int32_t SCAN_LIMITS[] = {63, 48, 36, 27, 20, 14, 9, 5, 2, 0};

// Bits least significant first, as the Mnb reader takes them.
class LsbBitWriter {
  public:
    void put(uint32_t value, int32_t bits) {
        pending_ |= uint64_t{value} << count_;
        count_ += bits;
        while (count_ >= 8) {
            bytes_.push_back(uint8_t(pending_));
            pending_ >>= 8;
            count_ -= 8;
        }
    }
    std::vector<uint8_t> finish() {
        if (count_ > 0) {
            bytes_.push_back(uint8_t(pending_));
        }
        return bytes_;
    }

  private:
    std::vector<uint8_t> bytes_;
    uint64_t pending_ = 0;
    int32_t count_ = 0;
};

void put_zero_run(LsbBitWriter& writer, int32_t run) {
    while (run > 0) {
        if (run == 1) {
            writer.put(0, 3);
            return;
        }
        if (run == 2) {
            writer.put(4, 3);
            return;
        }
        const int32_t part = std::min(run, 63);
        writer.put(uint32_t(part) << 2 | 1, 8);
        run -= part;
    }
}

void put_level(LsbBitWriter& writer, int32_t level) {
    if (level == 1 || level == -1) {
        writer.put(level == 1 ? 2 : 6, 3);
    } else if (level >= -32 && level <= 31) {
        writer.put((uint32_t(level) & 0x3F) << 2 | 3, 8);
    } else {
        writer.put(0xFF, 8);
        writer.put(uint32_t(level) & 0xFF, 8);
    }
}

// DC byte, then every AC position up to 63 covered by level codes and zero runs.
void put_block(LsbBitWriter& writer, const int32_t* levels) {
    writer.put(uint32_t(levels[0]) & 0xFF, 8);
    int32_t run = 0;
    for (int32_t n = 1; n < 64; ++n) {
        const int32_t level = levels[scan_index[n]];
        if (level == 0) {
            ++run;
            continue;
        }
        put_zero_run(writer, run);
        run = 0;
        put_level(writer, level);
    }
    put_zero_run(writer, run);
}

// The sample a flat level stands for, as the decoder computes it: level * step / 65536 rounded
// half up from the 64-bit product, then halved.
int32_t flat_sample(int32_t level, int32_t dc_step) {
    const int64_t product = int64_t{level} * dc_step;
    return int32_t(((product >> 16) + ((product >> 15) & 1)) >> 1);
}

}  // namespace

MnbEncoder::MnbEncoder(int32_t quality)
    : quality_(std::clamp(quality, 0, 100)), stream_quality_(mnb_stream_quality(quality_)) {
    mnb_build_dequant_table(quantiser_.dequant, stream_quality_);
    set_quantiser_steps(quantiser_);
    quantiser_.level_limit = LEVEL_LIMIT;
    quantiser_.dc_low = -128;
    quantiser_.dc_high = 127;
    // Levels in order of their samples, for the nearest flat level to a sample.
    for (int32_t level = -128; level <= 127; ++level) {
        flat_samples_[level + 128] = flat_sample(level, quantiser_.dequant.values[0]);
    }
}

int32_t MnbEncoder::flat_level_near(int32_t sample, int32_t side) const {
    // Flat samples grow with the level: the first level at or past the sample, or the last one
    // before it.
    const int32_t* begin = flat_samples_;
    const int32_t* end = flat_samples_ + 256;
    const int32_t* at = std::lower_bound(begin, end, sample);
    if (side < 0 && at != begin && (at == end || *at != sample)) {
        --at;
    }
    return int32_t(std::min<ptrdiff_t>(at - begin, 255)) - 128;
}

bool MnbEncoder::encode_flat(const uint8_t* source, std::vector<uint8_t>& records) {
    const double tolerance = 1.5 + (100 - quality_) / 20.0;
    double means[4][3] = {};
    for (int32_t p = 0; p < 256; ++p) {
        const int32_t quadrant = (p / 128) * 2 + (p % 16) / 8;
        for (int32_t c = 0; c < 3; ++c) {
            means[quadrant][c] += source[3 * p + c] / 64.0;
        }
    }
    for (int32_t p = 0; p < 256; ++p) {
        const int32_t quadrant = (p / 128) * 2 + (p % 16) / 8;
        for (int32_t c = 0; c < 3; ++c) {
            if (std::abs(source[3 * p + c] - means[quadrant][c]) > tolerance) {
                return false;
            }
        }
    }
    // What a flat colour may miss a quadrant's mean by: the flatness asked for, and the
    // rounding of the display's fields.
    const double reach = tolerance + 8;
    uint8_t mean_rgb[4][3];
    double mean_all[3] = {};
    for (int32_t q = 0; q < 4; ++q) {
        for (int32_t c = 0; c < 3; ++c) {
            mean_rgb[q][c] = uint8_t(std::lround(means[q][c]));
            mean_all[c] += means[q][c] / 4;
        }
    }
    const uint8_t overall[3] = {uint8_t(std::lround(mean_all[0])),
                                uint8_t(std::lround(mean_all[1])),
                                uint8_t(std::lround(mean_all[2]))};
    const ColourSamples wanted = summed_samples_of(overall);
    // Every chroma pair near the wanted one, each quadrant's best luma under it: the decoder's
    // own samples and tables decide.
    int32_t best[6] = {};
    int64_t best_error = INT64_MAX;
    auto levels_around = [&](double sample) {
        const int32_t below = flat_level_near(int32_t(std::floor(sample)) - 1, -1);
        const int32_t above = flat_level_near(int32_t(std::floor(sample)) + 1, 1);
        return std::pair{below, above};
    };
    const auto [cb_first, cb_last] = levels_around(wanted.cb);
    const auto [cr_first, cr_last] = levels_around(wanted.cr);
    for (int32_t cb_level = cb_first; cb_level <= cb_last; ++cb_level) {
        for (int32_t cr_level = cr_first; cr_level <= cr_last; ++cr_level) {
            const int32_t cb = flat_samples_[cb_level + 128];
            const int32_t cr = flat_samples_[cr_level + 128];
            const LumaRange range = summed_luma_range(cb, cr);
            if (range.low > range.high) {
                continue;
            }
            int64_t error = 0;
            int32_t luma_levels[4];
            for (int32_t q = 0; q < 4 && error < best_error; ++q) {
                const int32_t y =
                    nearest_luma(DctConversion::Summed, mean_rgb[q], cb, cr, range.low, range.high);
                int64_t quadrant_best = INT64_MAX;
                for (int32_t level = flat_level_near(y, -1); level <= flat_level_near(y, 1);
                     ++level) {
                    const int32_t sample = flat_samples_[level + 128];
                    if (sample < range.low || sample > range.high) {
                        continue;
                    }
                    uint8_t shown[3];
                    shown_colour(DctConversion::Summed, sample, cb, cr, shown);
                    const int64_t e = squared_error(shown, mean_rgb[q], 3);
                    // One chroma serves all four quadrants: it must suit each of them.
                    const bool close = std::abs(shown[0] - mean_rgb[q][0]) <= reach &&
                                       std::abs(shown[1] - mean_rgb[q][1]) <= reach &&
                                       std::abs(shown[2] - mean_rgb[q][2]) <= reach;
                    if (close && e < quadrant_best) {
                        quadrant_best = e;
                        luma_levels[q] = level;
                    }
                }
                error = quadrant_best == INT64_MAX ? INT64_MAX : error + quadrant_best;
            }
            if (error < best_error) {
                best_error = error;
                std::copy(luma_levels, luma_levels + 4, best);
                best[4] = cb_level;
                best[5] = cr_level;
            }
        }
    }
    if (best_error == INT64_MAX) {
        return false;
    }
    const bool one_luma = best[0] == best[1] && best[0] == best[2] && best[0] == best[3];
    if (one_luma) {
        records.insert(records.end(), {3, uint8_t(best[0]), uint8_t(best[4]), uint8_t(best[5])});
    } else {
        records.push_back(6);
        for (int32_t level : best) {
            records.push_back(uint8_t(level));
        }
    }
    return true;
}

void MnbEncoder::encode_macroblock(const uint8_t* source, std::vector<uint8_t>& records) {
    if (encode_flat(source, records)) {
        ++stats_.flat_macroblocks;
        return;
    }
    std::vector<uint8_t> record;
    for (const int32_t scan_limit : SCAN_LIMITS) {
        quantiser_.scan_limit = scan_limit;
        const MacroblockCoding coded = code_macroblock(source, quantiser_);
        LsbBitWriter writer;
        for (const auto& block : coded.levels) {
            put_block(writer, block);
        }
        record = writer.finish();
        if (record.size() <= LONGEST_RECORD) {
            stats_.trimmed_macroblocks += scan_limit < 63 ? 1 : 0;
            break;
        }
    }
    record.resize(std::max(record.size(), SHORTEST_CODED_RECORD), 0);
    records.push_back(uint8_t(record.size()));
    records.insert(records.end(), record.begin(), record.end());
    ++stats_.coded_macroblocks;
}

std::vector<uint8_t> MnbEncoder::encode(const RgbPicture& picture) {
    stats_ = {};
    std::vector<uint8_t> payload(8, 0);
    payload[0] = uint8_t(picture.width);
    payload[1] = uint8_t(picture.width >> 8);
    payload[2] = uint8_t(picture.height);
    payload[3] = uint8_t(picture.height >> 8);
    payload[4] = uint8_t(stream_quality_);
    uint8_t source[256 * 3];
    for (int32_t y = 0; y < picture.height; y += 16) {
        for (int32_t x = 0; x < picture.width; x += 16) {
            macroblock_pixels(picture, x, y, source);
            encode_macroblock(source, payload);
        }
    }
    return payload;
}

std::vector<uint8_t> MnbEncoder::encode(const YcbcrPicture& picture) {
    const std::vector<uint8_t> rgb = rgb_from_ycbcr(picture);
    return encode(RgbPicture{picture.width, picture.height, rgb.data()});
}

}  // namespace qx
