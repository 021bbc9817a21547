#include "authoring/dct_macroblock_coder.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "authoring/dct_colour_model.h"
#include "authoring/dct_forward.h"
#include "authoring/dct_picture.h"
#include "codecs/dct/idct.h"

namespace qx {

namespace {

constexpr int32_t CHROMA_PASSES = 6;
constexpr int32_t LUMA_PASSES = 6;
// Colours are aimed this far inside 0..255, and luma this many samples inside the range that
// keeps its chroma's colour from wrapping, so that ringing has room.
constexpr double COLOUR_MARGIN = 2;
constexpr int32_t LUMA_MARGIN = 1;
// Summed chroma whose safe luma range is narrower than this is drawn towards grey; where
// coarse luma steps still ring past it, a macroblock is also tried with this much more room.
constexpr int32_t NARROWEST_LUMA_RANGE = 2 * LUMA_MARGIN + 1;
constexpr int32_t WIDER_LUMA_ROOM = 2;
constexpr double CHROMA_SCALE_STEP = 0.03125;
// A luma sample outside its safe range shows right on 5-6-5 but wraps on a display of 8 bits a
// component: luma codings are charged for it as for a pixel that far off in one channel.
constexpr int64_t OUTSIDE_WEIGHT = int64_t{SPECKLE_DISTANCE} * SPECKLE_DISTANCE;
// Summed chroma targets keep this far inside -64..63, so that ringing does not wrap them.
constexpr double SUMMED_CHROMA_LIMIT = 61.5;
// Rounds of one-step changes to the levels of a luma block whose speckles luma could mend.
constexpr int32_t REFINE_PASSES = 2;
// Levels whose exact value lay at least this far from them are tried rounded the other way.
constexpr double NEAR_ROUNDING_EDGE = 0.35;
// Channel chroma indexes its tables by the low byte of the sample.
constexpr int32_t CHANNEL_CHROMA_LOW = -128;
constexpr int32_t CHANNEL_CHROMA_HIGH = 127;

int32_t luma_at(int32_t block, int32_t i) {
    return 16 * (8 * (block >> 1) + i / 8) + 8 * (block & 1) + i % 8;
}

// The chroma sample under a luma pixel.
int32_t chroma_at(int32_t pixel) {
    return 8 * (pixel / 32) + (pixel % 16) / 2;
}

// The summed tables take a sample's low 7 bits: past -64..63 it stands for another level.
bool summed_sample_outside(int32_t sample) {
    return sample < -64 || sample > 63;
}

bool channel_chroma_outside(int32_t sample) {
    return sample < CHANNEL_CHROMA_LOW || sample > CHANNEL_CHROMA_HIGH;
}

void quantise_block(const double* target, const DctQuantiser& quantiser, int32_t* levels) {
    double coefficients[64];
    forward_dct(target, coefficients);
    std::fill(levels, levels + 64, 0);
    levels[0] = std::clamp<int32_t>(int32_t(std::lround(coefficients[0] / quantiser.steps[0])),
                                    quantiser.dc_low, quantiser.dc_high);
    for (int32_t n = 1; n <= quantiser.scan_limit; ++n) {
        const int32_t i = scan_index[n];
        levels[i] = std::clamp<int32_t>(int32_t(std::lround(coefficients[i] / quantiser.steps[i])),
                                        -quantiser.level_limit, quantiser.level_limit);
    }
}

void decode_block(const int32_t* levels, const DctQuantiser& quantiser, MacroblockPlanes& planes,
                  int32_t block) {
    CoefficientBlock coefficients;
    for (int32_t i = 0; i < 64; ++i) {
        coefficients.values[i] = levels[i] * quantiser.dequant.values[i];
    }
    idct_into_macroblock(coefficients, planes, block);
}

// Softens a block's detail by a quarter; false when only its mean is left.
bool soften(int32_t* levels) {
    bool detail = false;
    for (int32_t i = 1; i < 64; ++i) {
        levels[i] = levels[i] * 3 / 4;
        detail = detail || levels[i] != 0;
    }
    return detail;
}

class MacroblockCoder {
  public:
    MacroblockCoder(const uint8_t* source, const DctQuantiser& quantiser)
        : source_(source), quantiser_(quantiser) {}

    MacroblockCoding code() {
        if (summed()) {
            code_summed_chroma();
        } else {
            code_channel_chroma();
        }
        code_luma();
        Candidate best = evaluate();
        if (best.wrapped == 0 && !has_speckles()) {
            return coding_;
        }
        // Chroma ringing near the edge of the colours the tables reach can leave a pixel no
        // luma that shows it: quieter chroma may serve the whole macroblock better. Speckles
        // are weighed in the choice, as they are for each luma block.
        bool whole = best.wrapped == 0;
        auto keep_best = [&] {
            const Candidate tried = evaluate();
            if (tried.better_than(best)) {
                best = tried;
            }
            return tried.wrapped;
        };
        for (const int32_t keep : {1, 0}) {
            for (int32_t k = 4; k < 6; ++k) {
                for (int32_t i = 1; i < 64; ++i) {
                    if (std::abs(coding_.levels[k][i]) <= 1 || keep == 0) {
                        coding_.levels[k][i] = 0;
                    }
                }
                decode_block(coding_.levels[k], quantiser_, planes_, k);
            }
            code_luma();
            keep_best();
        }
        // Luma that rings past a narrow range at a saturated edge may fit a wider one.
        if (summed()) {
            narrowest_luma_range_ += WIDER_LUMA_ROOM;
            code_summed_chroma();
            code_luma();
            whole = keep_best() == 0 || whole;
        }
        // A wrapped colour is worse than any error elsewhere. Luma that rings past the range
        // saturated chroma leaves is given more room where the chroma is most saturated, and
        // at last all chroma is drawn towards grey, which leaves every luma whole.
        // Each step is tried until one shows none, however well quieter chroma did.
        for (int32_t room = 2 * WIDER_LUMA_ROOM; summed() && !whole && room <= 64; room *= 2) {
            narrowest_luma_range_ = NARROWEST_LUMA_RANGE + room;
            code_summed_chroma();
            code_luma();
            whole = keep_best() == 0;
        }
        int32_t chroma[2][64];
        std::copy(&best.coding.levels[4][0], &best.coding.levels[4][0] + 128, &chroma[0][0]);
        for (int32_t eighths = 7; eighths >= 0 && best.wrapped > 0; --eighths) {
            for (int32_t k = 0; k < 2; ++k) {
                for (int32_t i = 0; i < 64; ++i) {
                    coding_.levels[4 + k][i] = chroma[k][i] * eighths / 8;
                }
                decode_block(coding_.levels[4 + k], quantiser_, planes_, 4 + k);
            }
            code_luma();
            keep_best();
        }
        return best.coding;
    }

    // A coding with how many pixels it shows wrapped and its weighed error: fewer wrapped
    // pixels win whatever the error.
    struct Candidate {
        MacroblockCoding coding;
        int32_t wrapped;
        int64_t error;

        bool better_than(const Candidate& other) const {
            return wrapped != other.wrapped ? wrapped < other.wrapped : error < other.error;
        }
    };

    // The levels as they are, decoded afresh by the decoder's own transform, so that what is
    // counted is exactly what the player will show.
    Candidate evaluate() {
        reconstruct_macroblock(coding_.levels, quantiser_.dequant, planes_);
        shown_macroblock(planes_, quantiser_.conversion, coding_.shown);
        coding_.error = squared_error(source_, coding_.shown, sizeof coding_.shown);
        return {coding_, wrapped_pixels(), weighed_macroblock_error()};
    }

    // Pixels of the shown macroblock that show a wrapped colour.
    int32_t wrapped_pixels() const {
        int32_t count = 0;
        for (int32_t pixel = 0; pixel < 256; ++pixel) {
            count += pixel_wrapped(pixel, coding_.shown + 3 * pixel) ? 1 : 0;
        }
        return count;
    }

    // Whether the planes' pixel, which shows as `shown`, shows a wrapped colour: summed samples
    // past the tables' -64..63 or whose component sums left their fields on the 5-6-5
    // display, channel chroma past a byte.
    bool pixel_wrapped(int32_t pixel, const uint8_t* shown) const {
        const int32_t y = planes_.luma_plane[pixel];
        const int32_t cb = planes_.cb_plane[chroma_at(pixel)];
        const int32_t cr = planes_.cr_plane[chroma_at(pixel)];
        if (!summed()) {
            return channel_chroma_outside(cb) || channel_chroma_outside(cr);
        }
        return summed_sample_outside(y) || summed_sample_outside(cb) || summed_sample_outside(cr) ||
               summed_shows_wrapped(y, cb, cr, shown);
    }

    // The shown macroblock's error with speckles weighed as weighed_error does.
    int64_t weighed_macroblock_error() const {
        int64_t error = 0;
        for (int32_t i = 0; i < 256; ++i) {
            error += weighed_error(coding_.shown + 3 * i, source_ + 3 * i);
        }
        return error;
    }

    bool has_speckles() const {
        for (int32_t i = 0; i < 256; ++i) {
            if (is_speckle(coding_.shown + 3 * i, source_ + 3 * i)) {
                return true;
            }
        }
        return false;
    }

  private:
    bool summed() const { return quantiser_.conversion == DctConversion::Summed; }

    ColourSamples samples_of(int32_t pixel) const {
        const uint8_t* rgb = source_ + 3 * pixel;
        if (!summed()) {
            return channel_samples_of(rgb);
        }
        uint8_t inside[3];
        for (int32_t c = 0; c < 3; ++c) {
            inside[c] = uint8_t(
                std::lround(std::clamp<double>(rgb[c], COLOUR_MARGIN, 255 - COLOUR_MARGIN)));
        }
        return summed_samples_of(inside);
    }

    // Chroma targets: each sample the mean of its 2 x 2 pixels' wishes.
    void chroma_targets() {
        for (int32_t i = 0; i < 64; ++i) {
            const int32_t top_left = 32 * (i / 8) + 2 * (i % 8);
            double cb = 0;
            double cr = 0;
            for (const int32_t pixel : {top_left, top_left + 1, top_left + 16, top_left + 17}) {
                const ColourSamples samples = samples_of(pixel);
                cb += samples.cb / 4;
                cr += samples.cr / 4;
            }
            chroma_target_[0][i] = cb;
            chroma_target_[1][i] = cr;
        }
    }

    void quantise_chroma() {
        for (int32_t k = 0; k < 2; ++k) {
            quantise_block(chroma_target_[k], quantiser_, coding_.levels[4 + k]);
            decode_block(coding_.levels[4 + k], quantiser_, planes_, 4 + k);
        }
    }

    // Summed chroma must leave each pixel a luma range wide enough to take ringing. Where a
    // decoded pair does not, its target moves towards grey by what the decoded pair lacks, and
    // where even that fails the chroma is softened.
    void code_summed_chroma() {
        chroma_targets();
        for (int32_t i = 0; i < 64; ++i) {
            double& cb = chroma_target_[0][i];
            double& cr = chroma_target_[1][i];
            cb = std::clamp(cb, -SUMMED_CHROMA_LIMIT, SUMMED_CHROMA_LIMIT);
            cr = std::clamp(cr, -SUMMED_CHROMA_LIMIT, SUMMED_CHROMA_LIMIT);
            const double scale = wide_chroma_scale(cb, cr);
            cb *= scale;
            cr *= scale;
        }
        for (int32_t pass = 0; pass < CHROMA_PASSES; ++pass) {
            quantise_chroma();
            bool narrow = false;
            for (int32_t i = 0; i < 64; ++i) {
                const double cb = planes_.cb_plane[i] + 0.5;
                const double cr = planes_.cr_plane[i] + 0.5;
                const double scale = wide_chroma_scale(cb, cr);
                if (scale < 1) {
                    chroma_target_[0][i] += cb * (scale - 1) - std::copysign(0.5, cb);
                    chroma_target_[1][i] += cr * (scale - 1) - std::copysign(0.5, cr);
                    narrow = true;
                }
            }
            if (!narrow) {
                return;
            }
        }
        // Both chroma blocks are softened each round, so no short-circuit between them; the
        // last round, which leaves only the means, is decoded too, so that luma is chosen for
        // the chroma the player will have.
        for (bool detail = true; detail && any_chroma_unsafe();) {
            detail = (int{soften(coding_.levels[4])} | int{soften(coding_.levels[5])}) != 0;
            decode_block(coding_.levels[4], quantiser_, planes_, 4);
            decode_block(coding_.levels[5], quantiser_, planes_, 5);
        }
    }

    // The largest scale towards grey that gives chroma samples (plus one half) a luma range of
    // at least narrowest_luma_range_.
    double wide_chroma_scale(double cb, double cr) const {
        for (double scale = 1; scale > 0; scale -= CHROMA_SCALE_STEP) {
            const LumaRange range =
                summed_luma_range(int32_t(std::floor(cb * scale)), int32_t(std::floor(cr * scale)));
            if (range.high - range.low + 1 >= narrowest_luma_range_) {
                return scale;
            }
        }
        return 0;
    }

    bool any_chroma_unsafe() const {
        for (int32_t i = 0; i < 64; ++i) {
            const LumaRange range = summed_luma_range(planes_.cb_plane[i], planes_.cr_plane[i]);
            if (range.low > range.high) {
                return true;
            }
        }
        return false;
    }

    // Channel chroma only has to stay inside a signed byte.
    void code_channel_chroma() {
        chroma_targets();
        for (int32_t i = 0; i < 64; ++i) {
            for (int32_t k = 0; k < 2; ++k) {
                chroma_target_[k][i] = std::clamp(chroma_target_[k][i], -125.0, 124.0);
            }
        }
        for (int32_t pass = 0; pass < CHROMA_PASSES; ++pass) {
            quantise_chroma();
            bool outside = false;
            for (int32_t k = 0; k < 2; ++k) {
                const int32_t* plane = k == 0 ? planes_.cb_plane : planes_.cr_plane;
                for (int32_t i = 0; i < 64; ++i) {
                    const int32_t excess =
                        plane[i] < CHANNEL_CHROMA_LOW    ? plane[i] - CHANNEL_CHROMA_LOW
                        : plane[i] > CHANNEL_CHROMA_HIGH ? plane[i] - CHANNEL_CHROMA_HIGH
                                                         : 0;
                    if (excess != 0) {
                        chroma_target_[k][i] -= excess + (excess > 0 ? 0.5 : -0.5);
                        outside = true;
                    }
                }
            }
            if (!outside) {
                return;
            }
        }
    }

    // The luma samples a pixel may take under its decoded chroma.
    LumaRange luma_range(int32_t pixel) const {
        const int32_t at = chroma_at(pixel);
        if (summed()) {
            return summed_luma_range(planes_.cb_plane[at], planes_.cr_plane[at]);
        }
        return {-1024, 1024};
    }

    void code_luma() {
        for (int32_t b = 0; b < 4; ++b) {
            for (int32_t i = 0; i < 64; ++i) {
                const int32_t pixel = luma_at(b, i);
                const int32_t at = chroma_at(pixel);
                LumaRange range = luma_range(pixel);
                if (range.high - range.low >= 2 * LUMA_MARGIN) {
                    range = {range.low + LUMA_MARGIN, range.high - LUMA_MARGIN};
                } else if (range.low <= range.high) {
                    range.low = range.high = (range.low + range.high) / 2;
                } else {
                    range = {-64, 63};
                }
                luma_target_[b][i] =
                    nearest_luma(quantiser_.conversion, source_ + 3 * pixel, planes_.cb_plane[at],
                                 planes_.cr_plane[at], range.low, range.high) +
                    0.5;
            }
        }
        for (int32_t b = 0; b < 4; ++b) {
            code_luma_block(b);
        }
    }

    // How far a decoded luma sample lies outside its range (0 inside).
    int32_t luma_excess(int32_t block, int32_t i) const {
        const int32_t pixel = luma_at(block, i);
        const LumaRange range = luma_range(pixel);
        const int32_t y = planes_.luma_plane[pixel];
        if (range.low > range.high) {
            return 0;  // nothing will do: the chroma decides
        }
        return y < range.low ? y - range.low : y > range.high ? y - range.high : 0;
    }

    // The error the player will show over block b's pixels for the planes as they are,
    // speckles weighed as weighed_error does and samples outside their range charged
    // OUTSIDE_WEIGHT; given up once it passes `limit`.
    int64_t block_error(int32_t b, int64_t limit = INT64_MAX) const {
        int64_t error = 0;
        for (int32_t i = 0; i < 64 && error <= limit; ++i) {
            const int32_t pixel = luma_at(b, i);
            uint8_t shown[3];
            shown_pixel(pixel, shown);
            error += weighed_error(shown, source_ + 3 * pixel);
            if (luma_excess(b, i) != 0) {
                error += OUTSIDE_WEIGHT;
            }
        }
        return error;
    }

    // Whether block b shows a speckle that another luma would not show under the same chroma;
    // speckles the shared chroma causes are beyond the luma's reach.
    bool luma_could_mend(int32_t b) const {
        for (int32_t i = 0; i < 64; ++i) {
            const int32_t pixel = luma_at(b, i);
            const int32_t at = chroma_at(pixel);
            const int32_t cb = planes_.cb_plane[at];
            const int32_t cr = planes_.cr_plane[at];
            const uint8_t* wanted = source_ + 3 * pixel;
            uint8_t shown[3];
            shown_colour(quantiser_.conversion, planes_.luma_plane[pixel], cb, cr, shown);
            if (!is_speckle(shown, wanted)) {
                continue;
            }
            const LumaRange range = luma_range(pixel);
            if (range.low > range.high) {
                continue;
            }
            shown_colour(quantiser_.conversion,
                         nearest_luma(quantiser_.conversion, wanted, cb, cr, range.low, range.high),
                         cb, cr, shown);
            if (!is_speckle(shown, wanted)) {
                return true;
            }
        }
        return false;
    }

    // Codes block b, pulling back the targets of samples that would wrap and then softening
    // the detail, and keeps whichever attempt the player would show with the fewest wrapped
    // colours, then the least error.
    void code_luma_block(int32_t b) {
        int32_t best[64];
        int32_t best_wrapped = INT32_MAX;
        int64_t best_error = INT64_MAX;
        auto keep_best = [&] {
            const int32_t wrapped = block_wrapped_count(b);
            const int64_t error = block_error(b);
            if (wrapped < best_wrapped || (wrapped == best_wrapped && error < best_error)) {
                best_wrapped = wrapped;
                best_error = error;
                std::copy(coding_.levels[b], coding_.levels[b] + 64, best);
            }
        };
        bool outside = true;
        for (int32_t pass = 0; pass < LUMA_PASSES && outside; ++pass) {
            quantise_block(luma_target_[b], quantiser_, coding_.levels[b]);
            decode_block(coding_.levels[b], quantiser_, planes_, b);
            keep_best();
            outside = false;
            for (int32_t i = 0; summed() && i < 64; ++i) {
                const int32_t excess = luma_excess(b, i);
                if (excess != 0) {
                    luma_target_[b][i] -= excess + (excess > 0 ? 0.5 : -0.5);
                    outside = true;
                }
            }
        }
        // Down to the block's mean alone, which is tried as well: it cannot ring.
        for (bool detail = true; detail && outside;) {
            detail = soften(coding_.levels[b]);
            decode_block(coding_.levels[b], quantiser_, planes_, b);
            keep_best();
            outside = block_outside(b);
        }
        std::copy(best, best + 64, coding_.levels[b]);
        decode_block(coding_.levels[b], quantiser_, planes_, b);
        if (luma_could_mend(b)) {
            refine_luma_block(b, best_wrapped, best_error);
        }
    }

    // Rounding each coefficient is nearest for the samples, not always for the colours shown
    // (ranges that keep colours whole, fields that round, speckles): where a block still shows
    // a mendable wrong colour, the levels that rounding nearly sent the other way are tried
    // that way, and kept where that shows less error and no more wrapped colours.
    void refine_luma_block(int32_t b, int32_t wrapped, int64_t error) {
        double coefficients[64];
        forward_dct(luma_target_[b], coefficients);
        int32_t* levels = coding_.levels[b];
        int32_t kept[64];
        save_luma(b, kept);
        for (int32_t pass = 0; pass < REFINE_PASSES; ++pass) {
            for (int32_t n = 0; n <= quantiser_.scan_limit; ++n) {
                const int32_t i = scan_index[n];
                const double wish = coefficients[i] / quantiser_.steps[i] - levels[i];
                const int32_t was = levels[i];
                const int32_t tried_level = was + (wish > 0 ? 1 : -1);
                const int32_t low = n == 0 ? quantiser_.dc_low : -quantiser_.level_limit;
                const int32_t high = n == 0 ? quantiser_.dc_high : quantiser_.level_limit;
                if (std::abs(wish) < NEAR_ROUNDING_EDGE || tried_level < low ||
                    tried_level > high) {
                    continue;
                }
                levels[i] = tried_level;
                decode_block(levels, quantiser_, planes_, b);
                const int64_t tried = block_error(b, error);
                if (tried < error && !block_outside(b) && block_wrapped_count(b) <= wrapped) {
                    error = tried;
                    save_luma(b, kept);
                    continue;
                }
                levels[i] = was;
                restore_luma(b, kept);
            }
        }
    }

    void save_luma(int32_t b, int32_t* samples) const {
        for (int32_t i = 0; i < 64; ++i) {
            samples[i] = planes_.luma_plane[luma_at(b, i)];
        }
    }

    void restore_luma(int32_t b, const int32_t* samples) {
        for (int32_t i = 0; i < 64; ++i) {
            planes_.luma_plane[luma_at(b, i)] = samples[i];
        }
    }

    // The colour the planes' pixel shows.
    void shown_pixel(int32_t pixel, uint8_t* shown) const {
        const int32_t at = chroma_at(pixel);
        shown_colour(quantiser_.conversion, planes_.luma_plane[pixel], planes_.cb_plane[at],
                     planes_.cr_plane[at], shown);
    }

    int32_t block_wrapped_count(int32_t b) const {
        int32_t count = 0;
        for (int32_t i = 0; i < 64; ++i) {
            const int32_t pixel = luma_at(b, i);
            uint8_t shown[3];
            shown_pixel(pixel, shown);
            count += pixel_wrapped(pixel, shown) ? 1 : 0;
        }
        return count;
    }

    bool block_outside(int32_t b) const {
        for (int32_t i = 0; i < 64; ++i) {
            if (luma_excess(b, i) != 0) {
                return true;
            }
        }
        return false;
    }

    const uint8_t* source_;
    const DctQuantiser& quantiser_;
    int32_t narrowest_luma_range_ = NARROWEST_LUMA_RANGE;
    MacroblockCoding coding_{};
    MacroblockPlanes planes_{};
    double chroma_target_[2][64]{};
    double luma_target_[4][64]{};
};

}  // namespace

void set_quantiser_steps(DctQuantiser& quantiser) {
    for (int32_t i = 0; i < 64; ++i) {
        quantiser.steps[i] = double(quantiser.dequant.values[i]) / idct_prescale[i];
    }
}

MacroblockCoding code_macroblock(const uint8_t* source, const DctQuantiser& quantiser) {
    return MacroblockCoder(source, quantiser).code();
}

void show_macroblock(const uint8_t* source, const DctQuantiser& quantiser,
                     MacroblockCoding& coding) {
    MacroblockPlanes planes;
    reconstruct_macroblock(coding.levels, quantiser.dequant, planes);
    shown_macroblock(planes, quantiser.conversion, coding.shown);
    coding.error = squared_error(source, coding.shown, sizeof coding.shown);
}

}  // namespace qx
