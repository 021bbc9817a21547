#include "authoring/dct_forward.h"

#include <array>
#include <cmath>

namespace qx {

namespace {

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

}  // namespace

void forward_dct(const double* samples, double* coefficients) {
    static const auto basis = make_basis();
    // Rows first (horizontal frequency u), then columns; the decoders' samples are one half of
    // the standard's, hence the factor 2.
    double rows[8][8];
    for (int y = 0; y < 8; ++y) {
        for (int u = 0; u < 8; ++u) {
            double sum = 0;
            for (int x = 0; x < 8; ++x) {
                sum += basis[u][x] * samples[8 * y + x];
            }
            rows[y][u] = sum;
        }
    }
    for (int u = 0; u < 8; ++u) {
        for (int v = 0; v < 8; ++v) {
            double sum = 0;
            for (int y = 0; y < 8; ++y) {
                sum += basis[v][y] * rows[y][u];
            }
            coefficients[8 * u + v] = 2 * sum;
        }
    }
}

}  // namespace qx
