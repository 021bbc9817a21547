#include "authoring/rkd_palette_builder.h"

#include <algorithm>
#include <vector>

namespace qx {

namespace {

inline constexpr int32_t MAX_COLOURS = 256;
inline constexpr int32_t REFINEMENT_ROUNDS = 2;

struct Colour {
    uint32_t rgb;  // 0xRRGGBB
    uint32_t count;
    int32_t channel(int32_t c) const { return int32_t((rgb >> (16 - 8 * c)) & 0xFF); }
};

uint32_t pack(const uint8_t* p) {
    return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
}

std::vector<Colour> distinct_colours(std::span<const uint8_t> rgb_pixels) {
    std::vector<uint32_t> all(rgb_pixels.size() / 3);
    for (size_t i = 0; i < all.size(); ++i) {
        all[i] = pack(&rgb_pixels[3 * i]);
    }
    std::sort(all.begin(), all.end());
    std::vector<Colour> colours;
    for (uint32_t rgb : all) {
        if (colours.empty() || colours.back().rgb != rgb) {
            colours.push_back({rgb, 0});
        }
        ++colours.back().count;
    }
    return colours;
}

int32_t distance_to(const Colour& colour, const int32_t* entry) {
    int32_t total = 0;
    for (int32_t c = 0; c < 3; ++c) {
        int32_t d = colour.channel(c) - entry[c];
        total += d * d;
    }
    return total;
}

// A run of colours to be split; `widest` is the channel with the largest spread.
struct Box {
    size_t begin;
    size_t end;
    int32_t spread;
    int32_t widest;
};

Box measure(const std::vector<Colour>& colours, size_t begin, size_t end) {
    Box box{begin, end, -1, 0};
    for (int32_t c = 0; c < 3; ++c) {
        int32_t low = 255;
        int32_t high = 0;
        for (size_t i = begin; i < end; ++i) {
            low = std::min(low, colours[i].channel(c));
            high = std::max(high, colours[i].channel(c));
        }
        if (high - low > box.spread) {
            box.spread = high - low;
            box.widest = c;
        }
    }
    return box;
}

// Splits the widest boxes at their pixel-weighted medians until there are 256 of them.
std::vector<Box> median_cut(std::vector<Colour>& colours) {
    std::vector<Box> boxes{measure(colours, 0, colours.size())};
    while (int32_t(boxes.size()) < MAX_COLOURS) {
        auto widest = std::max_element(boxes.begin(), boxes.end(), [](const Box& a, const Box& b) {
            return a.spread < b.spread;
        });
        if (widest->spread <= 0) {
            break;
        }
        Box box = *widest;
        std::sort(colours.begin() + long(box.begin), colours.begin() + long(box.end),
                  [&](const Colour& a, const Colour& b) {
                      return a.channel(box.widest) < b.channel(box.widest);
                  });
        uint64_t total = 0;
        for (size_t i = box.begin; i < box.end; ++i) {
            total += colours[i].count;
        }
        uint64_t running = 0;
        size_t split = box.begin + 1;
        for (size_t i = box.begin; i + 1 < box.end; ++i) {
            running += colours[i].count;
            split = i + 1;
            if (2 * running >= total) {
                break;
            }
        }
        *widest = measure(colours, box.begin, split);
        boxes.push_back(measure(colours, split, box.end));
    }
    return boxes;
}

struct Sums {
    uint64_t channel[3] = {0, 0, 0};
    uint64_t count = 0;
    void add(const Colour& colour) {
        for (int32_t c = 0; c < 3; ++c) {
            channel[c] += uint64_t(colour.channel(c)) * colour.count;
        }
        count += colour.count;
    }
};

void set_means(const std::vector<Sums>& sums, std::vector<std::array<int32_t, 3>>& entries) {
    for (size_t e = 0; e < entries.size(); ++e) {
        if (sums[e].count == 0) {
            continue;
        }
        for (int32_t c = 0; c < 3; ++c) {
            entries[e][size_t(c)] =
                int32_t((sums[e].channel[c] + sums[e].count / 2) / sums[e].count);
        }
    }
}

size_t nearest(const Colour& colour, const std::vector<std::array<int32_t, 3>>& entries) {
    size_t best = 0;
    int32_t best_distance = INT32_MAX;
    for (size_t e = 0; e < entries.size(); ++e) {
        int32_t d = distance_to(colour, entries[e].data());
        if (d < best_distance) {
            best_distance = d;
            best = e;
        }
    }
    return best;
}

RkdPalette quantise(std::vector<Colour>& colours) {
    std::vector<Box> boxes = median_cut(colours);
    std::vector<std::array<int32_t, 3>> entries(boxes.size());
    std::vector<Sums> sums(boxes.size());
    for (size_t b = 0; b < boxes.size(); ++b) {
        for (size_t i = boxes[b].begin; i < boxes[b].end; ++i) {
            sums[b].add(colours[i]);
        }
    }
    set_means(sums, entries);
    for (int32_t round = 0; round < REFINEMENT_ROUNDS; ++round) {
        std::fill(sums.begin(), sums.end(), Sums{});
        for (const Colour& colour : colours) {
            sums[nearest(colour, entries)].add(colour);
        }
        set_means(sums, entries);
    }
    RkdPalette palette;
    palette.count = int32_t(entries.size());
    for (size_t e = 0; e < entries.size(); ++e) {
        for (size_t c = 0; c < 3; ++c) {
            palette.rgb[3 * e + c] = uint8_t(entries[e][c]);
        }
    }
    return palette;
}

}  // namespace

RkdPalette rkd_make_palette(std::span<const uint8_t> rgb_pixels) {
    std::vector<Colour> colours = distinct_colours(rgb_pixels);
    if (colours.size() > size_t(MAX_COLOURS)) {
        return quantise(colours);
    }
    RkdPalette palette;
    palette.count = int32_t(colours.size());
    for (size_t e = 0; e < colours.size(); ++e) {
        for (int32_t c = 0; c < 3; ++c) {
            palette.rgb[3 * e + size_t(c)] = uint8_t(colours[e].channel(c));
        }
    }
    return palette;
}

bool rkd_palette_holds(const RkdPalette& palette, std::span<const uint8_t> rgb_pixels) {
    std::vector<uint32_t> entries;
    for (int32_t e = 0; e < palette.count; ++e) {
        entries.push_back(pack(&palette.rgb[3 * size_t(e)]));
    }
    std::sort(entries.begin(), entries.end());
    for (size_t i = 0; i + 3 <= rgb_pixels.size(); i += 3) {
        if (!std::binary_search(entries.begin(), entries.end(), pack(&rgb_pixels[i]))) {
            return false;
        }
    }
    return true;
}

int32_t rkd_colour_distance(const RkdPalette& palette, uint8_t a, uint8_t b) {
    int32_t total = 0;
    for (size_t c = 0; c < 3; ++c) {
        int32_t d = int32_t(palette.rgb[3 * a + c]) - int32_t(palette.rgb[3 * b + c]);
        total += d * d;
    }
    return total;
}

uint8_t RkdColourMapper::index_of(uint8_t r, uint8_t g, uint8_t b) {
    uint32_t key = uint32_t(r) << 16 | uint32_t(g) << 8 | b;
    auto known = seen_.find(key);
    if (known != seen_.end()) {
        return known->second;
    }
    Colour colour{key, 1};
    uint8_t best = 0;
    int32_t best_distance = INT32_MAX;
    for (int32_t e = 0; e < palette_.count; ++e) {
        const uint8_t* p = &palette_.rgb[3 * size_t(e)];
        int32_t entry[3] = {p[0], p[1], p[2]};
        int32_t d = distance_to(colour, entry);
        if (d < best_distance) {
            best_distance = d;
            best = uint8_t(e);
        }
    }
    seen_.emplace(key, best);
    return best;
}

void RkdColourMapper::map(std::span<const uint8_t> rgb_pixels, std::span<uint8_t> indices) {
    size_t count = std::min(rgb_pixels.size() / 3, indices.size());
    for (size_t i = 0; i < count; ++i) {
        indices[i] = index_of(rgb_pixels[3 * i], rgb_pixels[3 * i + 1], rgb_pixels[3 * i + 2]);
    }
}

}  // namespace qx
