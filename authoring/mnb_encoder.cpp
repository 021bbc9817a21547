#include "authoring/mnb_encoder.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "authoring/dct_colour_model.h"
#include "authoring/dct_macroblock_coder.h"
#include "codecs/dct/coefficient_block.h"

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
void put_block(LsbBitWriter& writer, const int32_t* levels, int32_t scan_limit) {
    writer.put(uint32_t(levels[0]) & 0xFF, 8);
    int32_t run = 0;
    for (int32_t n = 1; n < 64; ++n) {
        const int32_t level = n <= scan_limit ? levels[scan_index[n]] : 0;
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

}  // namespace

MnbEncoder::MnbEncoder(int32_t quality) : quality_(std::clamp(quality, 0, 100)) {
    const int32_t base = (22 * (100 - quality_)) / 100 + 8;
    const int32_t step = (50 * (100 - quality_)) / 100 + 10 - base;
    for (int32_t u = 0; u < 8; ++u) {
        for (int32_t v = 0; v < 8; ++v) {
            steps_[8 * u + v] = base + ((u + v) * step) / 14;
        }
    }
    dc_step_ = 8192 * base;
}

int32_t MnbEncoder::flat_level(double sample) const {
    const double wanted = sample - 0.5;  // the planes carry the half for the flooring transform
    int32_t best = 0;
    double best_error = 1e30;
    for (int32_t level = -128; level <= 127; ++level) {
        const int64_t product = int64_t{level} * dc_step_;
        const int64_t shown = ((product + 32768) >> 16) >> 1;
        const double error = std::abs(double(shown) - wanted);
        if (error < best_error) {
            best_error = error;
            best = level;
        }
    }
    return best;
}

bool MnbEncoder::encode_flat(const MacroblockSamples& samples,
                             std::vector<uint8_t>& records) const {
    const double tolerance = 0.75 + (100 - quality_) / 40.0;
    int32_t levels[6];
    for (int32_t b = 0; b < 6; ++b) {
        double mean = 0;
        for (double s : samples.blocks[b]) {
            mean += s;
        }
        mean /= 64;
        for (double s : samples.blocks[b]) {
            if (std::abs(s - mean) > tolerance) {
                return false;
            }
        }
        levels[b] = flat_level(mean);
    }
    const bool one_luma =
        levels[0] == levels[1] && levels[0] == levels[2] && levels[0] == levels[3];
    if (one_luma) {
        records.insert(records.end(),
                       {3, uint8_t(levels[0]), uint8_t(levels[4]), uint8_t(levels[5])});
    } else {
        records.push_back(6);
        for (int32_t level : levels) {
            records.push_back(uint8_t(level));
        }
    }
    return true;
}

void MnbEncoder::encode_macroblock(const MacroblockSamples& samples,
                                   std::vector<uint8_t>& records) {
    if (encode_flat(samples, records)) {
        ++stats_.flat_macroblocks;
        return;
    }
    const MacroblockLevels coded = quantise_macroblock(
        samples, steps_, LEVEL_LIMIT, SUMMED_SAMPLE_RANGE, SUMMED_SAMPLE_RANGE, true);
    std::vector<uint8_t> record;
    for (const int32_t scan_limit : SCAN_LIMITS) {
        LsbBitWriter writer;
        for (const auto& block : coded.levels) {
            put_block(writer, block, scan_limit);
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

std::vector<uint8_t> MnbEncoder::encode_planes(const SamplePlanes& planes, int32_t width,
                                               int32_t height) {
    stats_ = {};
    std::vector<uint8_t> payload(8, 0);
    payload[0] = uint8_t(width);
    payload[1] = uint8_t(width >> 8);
    payload[2] = uint8_t(height);
    payload[3] = uint8_t(height >> 8);
    payload[4] = uint8_t(quality_);
    for (int32_t y = 0; y < height; y += 16) {
        for (int32_t x = 0; x < width; x += 16) {
            encode_macroblock(macroblock_samples(planes, x, y), payload);
        }
    }
    return payload;
}

std::vector<uint8_t> MnbEncoder::encode(const RgbPicture& picture) {
    return encode_planes(summed_samples(picture), picture.width, picture.height);
}

std::vector<uint8_t> MnbEncoder::encode(const YcbcrPicture& picture) {
    return encode_planes(summed_samples(picture), picture.width, picture.height);
}
