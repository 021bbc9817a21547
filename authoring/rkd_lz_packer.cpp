#include "authoring/rkd_lz_packer.h"

#include <algorithm>

namespace qx {

namespace {

inline constexpr uint32_t MIN_MATCH = 3;
inline constexpr uint32_t MAX_MATCH = 1028;
inline constexpr uint32_t MAX_DISTANCE = 131072;
inline constexpr uint32_t MAX_LITERAL_RUN = 112;
inline constexpr uint32_t HASH_BITS = 16;

struct Match {
    uint32_t length = 0;
    uint32_t distance = 0;
};

// Command bytes for copying `length` bytes from `distance` back; 0 when no form can.
uint32_t copy_command_bytes(uint32_t length, uint32_t distance) {
    if (length >= 3 && length <= 10 && distance <= 1024) {
        return 2;
    }
    if (length >= 4 && length <= 67 && distance <= 16384) {
        return 3;
    }
    if (length >= 5 && length <= MAX_MATCH && distance <= MAX_DISTANCE) {
        return 4;
    }
    return 0;
}

// Bytes saved by a copy over sending the same bytes as literals.
int32_t saving(const Match& match) {
    uint32_t cost = copy_command_bytes(match.length, match.distance);
    return cost == 0 ? 0 : int32_t(match.length) - int32_t(cost);
}

class Packer {
  public:
    Packer(std::span<const uint8_t> pixels, const RkdPackOptions& options)
        : pixels_(pixels),
          options_(options),
          head_(size_t{1} << HASH_BITS, -1),
          chain_(pixels.size(), -1) {}

    std::vector<uint8_t> pack() {
        uint32_t size = uint32_t(std::min<size_t>(pixels_.size(), 0xFFFFFF));
        out_ = {0, 0, uint8_t(size >> 16), uint8_t(size >> 8), uint8_t(size)};
        size_t pos = 0;
        Match next = find_match(0);
        while (pos < pixels_.size()) {
            Match match = next;
            insert(pos);
            next = find_match(pos + 1);
            if (saving(match) <= 0 || (options_.lazy && saving(next) > saving(match) + 1)) {
                ++pos;
                continue;
            }
            emit_copy(pos, match);
            for (size_t i = pos + 1; i < pos + match.length; ++i) {
                insert(i);
            }
            pos += match.length;
            next = find_match(pos);
        }
        emit_pending_runs(pixels_.size());
        out_.push_back(uint8_t(0xFC + pending_count(pixels_.size())));
        append_literals(pixels_.size());
        return std::move(out_);
    }

  private:
    uint32_t hash(size_t pos) const {
        uint32_t v =
            pixels_[pos] | uint32_t(pixels_[pos + 1]) << 8 | uint32_t(pixels_[pos + 2]) << 16;
        return (v * 2654435761u) >> (32 - HASH_BITS);
    }

    void insert(size_t pos) {
        if (pos + MIN_MATCH > pixels_.size()) {
            return;
        }
        uint32_t h = hash(pos);
        chain_[pos] = head_[h];
        head_[h] = int32_t(pos);
    }

    // The repeat at `pos` that saves most, nearest first among equals.
    Match find_match(size_t pos) const {
        Match best;
        if (pos + MIN_MATCH > pixels_.size()) {
            return best;
        }
        size_t limit = std::min<size_t>(MAX_MATCH, pixels_.size() - pos);
        int32_t candidate = head_[hash(pos)];
        for (int32_t step = 0; candidate >= 0 && step < options_.chain_steps; ++step) {
            uint32_t distance = uint32_t(pos - size_t(candidate));
            if (distance > MAX_DISTANCE) {
                break;
            }
            // A repeat that differs where the best one so far still matches cannot save more:
            // the forms of the copy command cost no less for a shorter, farther repeat.
            if (best.length > 0 &&
                (best.length >= limit ||
                 pixels_[size_t(candidate) + best.length] != pixels_[pos + best.length])) {
                candidate = chain_[size_t(candidate)];
                continue;
            }
            uint32_t length = 0;
            while (length < limit && pixels_[size_t(candidate) + length] == pixels_[pos + length]) {
                ++length;
            }
            Match found{length, distance};
            if (saving(found) > saving(best)) {
                best = found;
            }
            candidate = chain_[size_t(candidate)];
        }
        return best;
    }

    size_t pending_count(size_t pos) const { return pos - literal_start_; }

    void append_literals(size_t end) {
        out_.insert(out_.end(), pixels_.begin() + long(literal_start_),
                    pixels_.begin() + long(end));
        literal_start_ = end;
    }

    // Sends the waiting literals in runs of whole words, leaving at most 3 for the command.
    void emit_pending_runs(size_t pos) {
        while (pending_count(pos) >= 4) {
            uint32_t run = uint32_t(std::min<size_t>(MAX_LITERAL_RUN, pending_count(pos) / 4 * 4));
            out_.push_back(uint8_t(0xE0 + run / 4 - 1));
            append_literals(literal_start_ + run);
        }
    }

    void emit_copy(size_t pos, const Match& match) {
        emit_pending_runs(pos);
        uint32_t literals = uint32_t(pending_count(pos));
        uint32_t k = match.length;
        uint32_t d = match.distance - 1;
        switch (copy_command_bytes(match.length, match.distance)) {
            case 2:
                out_.push_back(uint8_t((d >> 8) << 5 | (k - 3) << 2 | literals));
                out_.push_back(uint8_t(d));
                break;
            case 3:
                out_.push_back(uint8_t(0x80 | (k - 4)));
                out_.push_back(uint8_t(literals << 6 | d >> 8));
                out_.push_back(uint8_t(d));
                break;
            default:
                out_.push_back(uint8_t(0xC0 | (d >> 16) << 4 | ((k - 5) >> 8) << 2 | literals));
                out_.push_back(uint8_t(d >> 8));
                out_.push_back(uint8_t(d));
                out_.push_back(uint8_t(k - 5));
                break;
        }
        append_literals(pos);
        literal_start_ = pos + match.length;
    }

    std::span<const uint8_t> pixels_;
    RkdPackOptions options_;
    std::vector<int32_t> head_;
    std::vector<int32_t> chain_;
    std::vector<uint8_t> out_;
    size_t literal_start_ = 0;
};

}  // namespace

std::vector<uint8_t> rkd_pack_picture(std::span<const uint8_t> pixels,
                                      const RkdPackOptions& options) {
    return Packer(pixels, options).pack();
}

}  // namespace qx
