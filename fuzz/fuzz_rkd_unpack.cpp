// Unpacks arbitrary packed pictures into a picture of a size the input chooses, and checks the
// fast unpacker against the byte-at-a-time reference.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "codecs/rkd/rkd_unpack.h"

namespace qx {

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) {
        return 0;
    }
    size_t capacity = (size_t(data[0]) << 8 | data[1]) * 4;
    std::vector<uint8_t> packed(data + 2, data + size);
    std::vector<uint8_t> fast(capacity), reference(capacity);
    RkdUnpackResult a = rkd_unpack(packed.data(), packed.size(), fast.data(), fast.size());
    RkdUnpackResult b =
        rkd_unpack_reference(packed.data(), packed.size(), reference.data(), reference.size());
    if (a.status != b.status || a.written != b.written || a.written > capacity ||
        fast != reference) {
        std::abort();
    }
    return 0;
}

}  // namespace qx
