#include "codecs/rkd/rkd_unpack.h"

#include <cstring>

namespace qx {

namespace {

// One decoded command: `length` command bytes, then `literals` bytes from the stream, then
// `copy` bytes from `distance` bytes back in the output.
struct RkdCommand {
    uint32_t length;
    uint32_t literals;
    uint32_t copy;
    uint32_t distance;
    bool last;
};

// The class is decided by the first byte alone.
uint32_t command_length(uint8_t b0) {
    if (b0 < 0x80) {
        return 2;
    }
    if (b0 < 0xC0) {
        return 3;
    }
    return b0 < 0xE0 ? 4 : 1;
}

// `bytes` holds at least command_length(bytes[0]) bytes. Forced inline: GCC kept it a call,
// once per command, in both unpackers.
[[gnu::always_inline]] inline RkdCommand decode_command(const uint8_t* bytes) {
    uint32_t b0 = bytes[0];
    if (b0 < 0x80) {
        return {2, b0 & 3, ((b0 >> 2) & 7) + 3, ((b0 & 0x60) << 3) + bytes[1] + 1, false};
    }
    if (b0 < 0xC0) {
        return {3, uint32_t(bytes[1] >> 6), (b0 & 0x3F) + 4,
                (uint32_t(bytes[1] & 0x3F) << 8) + bytes[2] + 1, false};
    }
    if (b0 < 0xE0) {
        return {4, b0 & 3, ((b0 & 0x0C) << 6) + bytes[3] + 5,
                ((b0 & 0x10) << 12) + (uint32_t(bytes[1]) << 8) + bytes[2] + 1, false};
    }
    if (b0 < 0xFC) {
        return {1, ((b0 & 0x1F) + 1) * 4, 0, 0, false};
    }
    return {1, b0 & 3, 0, 0, true};
}

struct Unpacker {
    const uint8_t* source;
    size_t source_bytes;
    size_t in;
    uint8_t* destination;
    size_t destination_bytes;
    size_t out;
};

// Carries out one command a byte at a time, checking every byte: the plain form, and the
// fallback of the fast form for the command at which the stream goes wrong.
bool move_bytewise(Unpacker& u, const RkdCommand& command, RkdUnpackStatus& status) {
    for (uint32_t i = 0; i < command.literals; ++i) {
        if (u.in >= u.source_bytes) {
            status = RKD_UNPACK_INPUT_ENDED;
            return false;
        }
        if (u.out >= u.destination_bytes) {
            status = RKD_UNPACK_OUTPUT_FULL;
            return false;
        }
        u.destination[u.out++] = u.source[u.in++];
    }
    if (command.copy != 0 && command.distance > u.out) {
        status = RKD_UNPACK_BAD_DISTANCE;
        return false;
    }
    for (uint32_t i = 0; i < command.copy; ++i) {
        if (u.out >= u.destination_bytes) {
            status = RKD_UNPACK_OUTPUT_FULL;
            return false;
        }
        u.destination[u.out] = u.destination[u.out - command.distance];
        ++u.out;
    }
    return true;
}

struct BytewiseMover {
    static bool move(Unpacker& u, const RkdCommand& command, RkdUnpackStatus& status) {
        return move_bytewise(u, command, status);
    }
};

// Moves `count` bytes forward in `step`-byte pieces, the last one ending at the end and
// overlapping the piece before. Sources at least `step` bytes behind their destination are
// complete before each piece reads them, so this equals a forward byte copy.
template <size_t step>
void move_pieces(uint8_t* out, const uint8_t* from, uint32_t count) {
    uint32_t i = 0;
    for (; i + step < count; i += step) {
        std::memcpy(out + i, from + i, step);
    }
    std::memcpy(out + count - step, from + count - step, step);
}

// Copies `count` bytes from `distance` back; overlapping copies repeat the last `distance`
// bytes, exactly as a forward byte copy does.
void copy_back(uint8_t* out, uint32_t distance, uint32_t count) {
    const uint8_t* from = out - distance;
    if (distance == 1) {
        std::memset(out, *from, count);
    } else if (distance >= 64 && count >= 64) {
        move_pieces<64>(out, from, count);
    } else if (distance >= 32 && count >= 32) {
        move_pieces<32>(out, from, count);
    } else if (distance >= 16 && count >= 16) {
        move_pieces<16>(out, from, count);
    } else if (distance >= 8 && count >= 8) {
        move_pieces<8>(out, from, count);
    } else if (distance >= 4 && count >= 4) {
        move_pieces<4>(out, from, count);
    } else {
        for (uint32_t i = 0; i < count; ++i) {
            out[i] = from[i];
        }
    }
}

// Checks the whole command once and then moves literal runs and copies in the widest pieces
// their length and distance allow.
struct FastMover {
    static bool move(Unpacker& u, const RkdCommand& command, RkdUnpackStatus& status) {
        uint64_t produced = uint64_t{command.literals} + command.copy;
        bool fits = command.literals <= u.source_bytes - u.in &&
                    produced <= u.destination_bytes - u.out &&
                    (command.copy == 0 || command.distance <= u.out + command.literals);
        if (!fits) {
            // Through a copy, so that `u` never has its address taken and stays in registers.
            Unpacker checked = u;
            const bool moved = move_bytewise(checked, command, status);
            u = checked;
            return moved;
        }
        const uint8_t* literal = u.source + u.in;
        uint8_t* out = u.destination + u.out;
        if (command.literals >= 16) {
            move_pieces<16>(out, literal, command.literals);
        } else if (command.literals >= 4) {
            move_pieces<4>(out, literal, command.literals);
        } else {
            for (uint32_t i = 0; i < command.literals; ++i) {
                out[i] = literal[i];
            }
        }
        out += command.literals;
        copy_back(out, command.distance, command.copy);
        u.in += command.literals;
        u.out += produced;
        return true;
    }
};

template <typename Mover>
RkdUnpackResult unpack_with(const uint8_t* source, size_t source_bytes, uint8_t* destination,
                            size_t destination_bytes) {
    if (source == nullptr || source_bytes < 2) {
        return {RKD_UNPACK_INPUT_ENDED, 0};
    }
    // Two header bytes, three more when bit 0 of the first is set, then the 3-byte size.
    size_t header_bytes = (source[0] & 1) ? 8 : 5;
    if (source_bytes < header_bytes) {
        return {RKD_UNPACK_INPUT_ENDED, 0};
    }
    Unpacker u{source, source_bytes, header_bytes, destination, destination_bytes, 0};
    RkdUnpackStatus status = RKD_UNPACK_ENDED;
    for (;;) {
        if (u.in >= u.source_bytes || command_length(u.source[u.in]) > u.source_bytes - u.in) {
            return {RKD_UNPACK_INPUT_ENDED, u.out};
        }
        RkdCommand command = decode_command(u.source + u.in);
        u.in += command.length;
        if (!Mover::move(u, command, status)) {
            return {status, u.out};
        }
        if (command.last) {
            return {RKD_UNPACK_ENDED, u.out};
        }
    }
}

}  // namespace

RkdUnpackResult rkd_unpack(const uint8_t* source, size_t source_bytes, uint8_t* destination,
                           size_t destination_bytes) {
    return unpack_with<FastMover>(source, source_bytes, destination, destination_bytes);
}

RkdUnpackResult rkd_unpack_reference(const uint8_t* source, size_t source_bytes,
                                     uint8_t* destination, size_t destination_bytes) {
    return unpack_with<BytewiseMover>(source, source_bytes, destination, destination_bytes);
}

}  // namespace qx
