#include "authoring/rkd_field_writer.h"

namespace qx {

void RkdFieldWriter::put(int32_t value) {
    uint32_t field = uint32_t(value);
    for (uint32_t k = 0; k < width_; ++k, ++bits_) {
        if (bits_ % 8 == 0) {
            bytes_.push_back(0);
        }
        bytes_.back() |= uint8_t(((field >> k) & 1) << (bits_ % 8));
    }
}

void RkdFieldWriter::finish_into(std::vector<uint8_t>& out) const {
    size_t padded = 4 * ((bits_ + 31) / 32);
    out.insert(out.end(), bytes_.begin(), bytes_.end());
    out.insert(out.end(), padded - bytes_.size(), 0);
}

}  // namespace qx
