#include "video/frame_dispatch.h"

#include "codecs/dct/mnb_frame.h"
#include "codecs/dct/zle_frame.h"
#include "codecs/rkd/rkd_convert.h"
#include "codecs/rkd/rkd_inter_frame.h"
#include "codecs/rkd/rkd_key_frame.h"
#include "video/colour_tables.h"
#include "video/work_surfaces.h"

namespace {

// Payload bytes the dispatcher reads before anything else, by kind.
constexpr uint32_t RKD_KEY_SIZE_BYTES = 4;
constexpr uint32_t DCT_HEADER_BYTES = 8;

bool is_dct(int32_t kind) {
    return kind == VIDEO_MNB || kind == VIDEO_ZLE;
}

struct Pictures {
    uint8_t* draw;
    const uint8_t* reference;
    // The player's own packed pictures, which only its decoders write: an Rkd conversion may
    // then leave the blocks they already hold.
    bool own;
};

bool double_width(const PlayerContext& context) {
    return (context.params->flags & PLAY_DOUBLE_WIDTH) != 0;
}

RkdFrame rkd_frame_of(const PlayerContext& context) {
    return {context.video.frame_width, context.video.frame_height, context.params->colour_bits == 8,
            double_width(context)};
}

DctHeader dct_header_of(const PlayerContext& context) {
    return {context.video.frame_width, context.video.frame_height, context.video.quality,
            context.video.zle_channel_conversion, context.video.zle_all_intra};
}

bool decode_rkd(PlayerContext& context, const VideoFrameSlot& slot, Pictures pictures,
                uint32_t bytes) {
    const RkdFrame frame = rkd_frame_of(context);
    if (slot.kind == VIDEO_RKD_KEY) {
        if (!rkd_decode_key_frame(context.rkd, slot.data, slot.bytes)) {
            return false;
        }
        if (!frame.palettised) {
            rkd_build_pixel_table(context.rkd,
                                  rkd_pixel_format(*context.params, context.tables_brightness));
        }
    } else if (!rkd_decode_inter_frame(context.rkd, frame, slot.data, slot.bytes)) {
        return false;
    }
    if (pictures.own) {
        rkd_convert_kept_picture(context.rkd, frame, pictures.draw, bytes);
    } else {
        rkd_convert_picture(context.rkd, frame, pictures.draw, bytes);
    }
    return true;
}

// Mnb and Zle read their records after the 8-byte frame header, which read_frame_header
// found present.
bool decode_dct(PlayerContext& context, const VideoFrameSlot& slot, Pictures pictures,
                uint32_t bytes) {
    const uint8_t* records = slot.data + DCT_HEADER_BYTES;
    const uint32_t records_bytes = slot.bytes - DCT_HEADER_BYTES;
    const DctHeader header = dct_header_of(context);
    const DctFrame frame = dct_frame_of(header, double_width(context), bytes);
    DctDecoder& decoder = context.dct;
    rkd_forget_converted_pictures(context.rkd);
    if (slot.kind == VIDEO_MNB) {
        mnb_build_dequant_table(decoder.dequant_table, context.video.quality);
        mnb_decode_picture(decoder, context.colour_tables, frame, records, records_bytes,
                           pictures.draw);
        return true;
    }
    if (pictures.reference == nullptr) {
        return false;
    }
    zle_build_dequant_table(decoder.dequant_table, context.video.quality);
    zle_decode_picture(decoder, context.colour_tables, frame, zle_frame_flags(header), records,
                       records_bytes, pictures.draw, pictures.reference);
    return true;
}

bool decode_by_kind(PlayerContext& context, const VideoFrameSlot& slot, Pictures pictures,
                    uint32_t bytes) {
    if (slot.kind == VIDEO_RKD_KEY || slot.kind == VIDEO_RKD_INTER) {
        return decode_rkd(context, slot, pictures, bytes);
    }
    if (is_dct(slot.kind)) {
        return decode_dct(context, slot, pictures, bytes);
    }
    // An unknown kind decodes nothing; the draw picture is shown as it stands.
    return true;
}

// The application's buffers, when they are known to hold the picture.
Pictures application_pictures(const PlayParams& params, uint32_t bytes) {
    if (params.draw_buffer == nullptr ||
        (params.buffer_bytes != 0 && params.buffer_bytes < bytes)) {
        return {nullptr, nullptr, false};
    }
    return {params.draw_buffer, params.reference_buffer, false};
}

Pictures packed_pictures(PlayerContext& context, uint32_t bytes) {
    if (!ensure_packed_pictures(context, bytes)) {
        return {nullptr, nullptr, false};
    }
    return {context.video.packed_draw, context.video.packed_reference, true};
}

bool show_on_draw_surface(PlayerContext& context, const PictureGeometry& geometry) {
    PlayParams& params = *context.params;
    return ensure_work_surfaces(context, geometry.width, geometry.rows) &&
           copy_into_surface(context, *params.draw_surface, context.video.packed_draw,
                             geometry.row_bytes, geometry.rows);
}

}  // namespace

bool read_frame_header(PlayerContext& context, const VideoFrameSlot& slot) {
    switch (slot.kind) {
        case VIDEO_RKD_KEY: {
            if (slot.bytes < RKD_KEY_SIZE_BYTES) {
                return false;
            }
            RkdFrame frame = rkd_frame_of(context);
            rkd_read_key_header(context.rkd, frame, slot.data, slot.bytes);
            context.video.frame_width = frame.width;
            context.video.frame_height = frame.height;
            return true;
        }
        case VIDEO_MNB:
        case VIDEO_ZLE: {
            if (slot.bytes < DCT_HEADER_BYTES) {
                return false;
            }
            DctHeader header = dct_header_of(context);
            if (slot.kind == VIDEO_MNB) {
                mnb_read_header(slot.data, slot.bytes, header);
            } else {
                zle_read_header(slot.data, slot.bytes, header);
            }
            context.video.frame_width = header.width;
            context.video.frame_height = header.height;
            context.video.quality = header.quality;
            context.video.zle_channel_conversion = header.zle_channel_conversion;
            context.video.zle_all_intra = header.zle_all_intra;
            return true;
        }
        default:
            // An inter frame keeps the size of the latest key frame.
            return true;
    }
}

bool picture_geometry(const PlayerContext& context, int32_t kind, PictureGeometry& geometry) {
    const int32_t width = context.video.frame_width;
    const int32_t rows = context.video.frame_height;
    if (width <= 0 || rows <= 0 || width > MAX_FRAME_SIDE || rows > MAX_FRAME_SIDE) {
        return false;
    }
    const PlayParams& params = *context.params;
    const int32_t per_pixel = params.flags & PLAY_DOUBLE_WIDTH ? 2 : 1;
    const int32_t pixel_bytes = params.colour_bits == 8 && !is_dct(kind) ? 1 : 2;
    geometry.width = width * per_pixel;
    geometry.rows = rows;
    geometry.row_bytes = static_cast<uint32_t>(geometry.width * pixel_bytes);
    geometry.bytes = geometry.row_bytes * static_cast<uint32_t>(rows);
    return true;
}

bool decode_video_picture(PlayerContext& context, const VideoFrameSlot& slot,
                          PictureGeometry& geometry) {
    // The decoding thread picks up a brightness change here, between two frames.
    refresh_colour_tables(context);
    PlayParams& params = *context.params;
    context.video.frame_dropped = 1;
    if (context.video.display_unsupported || slot.data == nullptr ||
        !read_frame_header(context, slot)) {
        return false;
    }
    const bool app_buffers = params.flags & PLAY_APP_BUFFERS;
    // Our 8-bit work surfaces hold one byte per pixel, and a DCT decoder's two-byte pixels
    // mean nothing as palette indices.
    if (!app_buffers && params.colour_bits == 8 && is_dct(slot.kind)) {
        return false;
    }
    if (!picture_geometry(context, slot.kind, geometry)) {
        return false;
    }
    const Pictures pictures = app_buffers ? application_pictures(params, geometry.bytes)
                                          : packed_pictures(context, geometry.bytes);
    return pictures.draw != nullptr && decode_by_kind(context, slot, pictures, geometry.bytes);
}

bool decode_video_frame(PlayerContext& context, const VideoFrameSlot& slot) {
    PictureGeometry geometry{};
    if (!decode_video_picture(context, slot, geometry)) {
        return false;
    }
    if (!(context.params->flags & PLAY_APP_BUFFERS) && !show_on_draw_surface(context, geometry)) {
        return false;
    }
    context.video.frame_dropped = 0;
    return true;
}
