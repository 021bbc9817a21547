#include "authoring/dct_forward.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

constexpr int32_t RANGE_PASSES = 6;

// basis[k][n] = C(k) / 2 * cos((2 n + 1) k pi / 16)
std::array<std::array<double, 8>, 8> make_basis() {
    std::array<std::array<double, 8>, 8> basis{};
    for (int k = 0; k < 8; ++k) {
        for (int n = 0; n < 8; ++n) {
            const double c = k == 0 ? std::sqrt(0.5) : 1.0;
            basis[k][n] = c / 2 * std::cos((2 * n + 1) * k * M_PI / 16);
        }
    }
    return basis;
}

const std::array<std::array<double, 8>, 8>& basis() {
    static const auto table = make_basis();
    return table;
}

}  // namespace

void forward_dct(const double* samples, double* coefficients) {
    const auto& b = basis();
    for (int u = 0; u < 8; ++u) {
        for (int v = 0; v < 8; ++v) {
            double sum = 0;
            for (int y = 0; y < 8; ++y) {
                for (int x = 0; x < 8; ++x) {
                    sum += b[u][x] * b[v][y] * samples[8 * y + x];
                }
            }
            coefficients[8 * u + v] = 2 * sum;
        }
    }
}

void inverse_dct(const double* coefficients, double* samples) {
    const auto& b = basis();
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            double sum = 0;
            for (int u = 0; u < 8; ++u) {
                for (int v = 0; v < 8; ++v) {
                    sum += b[u][x] * b[v][y] * coefficients[8 * u + v];
                }
            }
            samples[8 * y + x] = sum / 2;
        }
    }
}

void quantise_block(const double* samples, const double* steps, int32_t level_limit, double low,
                    double high, int32_t* levels, double* reconstruction) {
    auto reconstruct = [&] {
        double coefficients[64];
        for (int i = 0; i < 64; ++i) {
            coefficients[i] = levels[i] * steps[i];
        }
        inverse_dct(coefficients, reconstruction);
    };
    auto inside = [&] {
        return std::all_of(reconstruction, reconstruction + 64,
                           [&](double r) { return r >= low && r <= high; });
    };
    double target[64];
    for (int i = 0; i < 64; ++i) {
        target[i] = std::clamp(samples[i], low, high);
    }
    for (int pass = 0; pass < RANGE_PASSES; ++pass) {
        double coefficients[64];
        forward_dct(target, coefficients);
        for (int i = 0; i < 64; ++i) {
            const long level = std::lround(coefficients[i] / steps[i]);
            levels[i] = int32_t(std::clamp<long>(level, -level_limit, level_limit));
        }
        reconstruct();
        if (inside()) {
            break;
        }
        for (int i = 0; i < 64; ++i) {
            if (reconstruction[i] > high) {
                target[i] -= reconstruction[i] - high + 0.25;
            } else if (reconstruction[i] < low) {
                target[i] += low - reconstruction[i] + 0.25;
            }
        }
    }
    // Coarse steps can ring past the range whatever the target: soften the detail until the
    // block fits, down to its mean alone.
    while (!inside() && std::any_of(levels + 1, levels + 64, [](int32_t l) { return l != 0; })) {
        for (int i = 1; i < 64; ++i) {
            levels[i] = levels[i] * 3 / 4;
        }
        reconstruct();
    }
    for (int i = 0; i < 64; ++i) {
        reconstruction[i] = std::floor(reconstruction[i]);
    }
}
