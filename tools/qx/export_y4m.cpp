#include "tools/qx/export_y4m.h"

#include <cmath>
#include <numeric>

namespace qx {

bool write_y4m_header(std::FILE* file, int32_t width, int32_t height, double fps,
                      bool half_chroma) {
    // The pace as a ratio in thousandths, reduced; a movie's pace, measured over its sound,
    // is a whole rate within half a percent (15.015 is 15), and is written as one.
    const double whole = std::round(fps);
    int64_t numerator = std::llround((std::abs(fps - whole) < whole * 0.005 ? whole : fps) * 1000);
    int64_t denominator = 1000;
    if (numerator <= 0) {
        numerator = 15;
        denominator = 1;
    }
    const int64_t common = std::gcd(numerator, denominator);
    return std::fprintf(file, "YUV4MPEG2 W%d H%d F%lld:%lld Ip A1:1 C%s XCOLORRANGE=LIMITED\n",
                        width, height, static_cast<long long>(numerator / common),
                        static_cast<long long>(denominator / common),
                        half_chroma ? "420jpeg" : "444") > 0;
}

bool write_y4m_frame(std::FILE* file, const PlanarPicture& picture) {
    if (std::fputs("FRAME\n", file) < 0) {
        return false;
    }
    for (const std::vector<uint8_t>& plane : picture.planes) {
        if (std::fwrite(plane.data(), 1, plane.size(), file) != plane.size()) {
            return false;
        }
    }
    return true;
}

}  // namespace qx
