#pragma once
#include <cstddef>
#include <cstdint>

namespace qx {

// Why an unpacking stopped. Only RKD_UNPACK_ENDED is a whole picture; the others leave the
// part unpacked so far in place, and the frame is still shown.
enum RkdUnpackStatus : int32_t {
    RKD_UNPACK_ENDED = 0,         // an end command (0xFC to 0xFF) was reached
    RKD_UNPACK_INPUT_ENDED = 1,   // the payload ended inside the header or a command
    RKD_UNPACK_OUTPUT_FULL = 2,   // a literal run or copy would pass the end of the picture
    RKD_UNPACK_BAD_DISTANCE = 3,  // a copy would reach before the start of the picture
};

struct RkdUnpackResult {
    RkdUnpackStatus status;
    size_t written;  // bytes of the picture written, from its start
};

// Unpacks one packed picture (header and commands) into `destination`. Reads only the
// `source_bytes` bytes of `source` and writes only the first `destination_bytes` bytes of
// `destination`; on damage the output is the longest prefix the stream determines.
RkdUnpackResult rkd_unpack(const uint8_t* source, size_t source_bytes, uint8_t* destination,
                           size_t destination_bytes);

// The same unpacking, one byte at a time: the reference the fast version is checked against.
RkdUnpackResult rkd_unpack_reference(const uint8_t* source, size_t source_bytes,
                                     uint8_t* destination, size_t destination_bytes);

}  // namespace qx
