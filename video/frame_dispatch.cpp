#include "video/frame_dispatch.h"

#include "codecs/dct/mnb_frame.h"
#include "codecs/dct/zle_frame.h"
#include "codecs/rkd/rkd_convert.h"
#include "codecs/rkd/rkd_inter_frame.h"
#include "codecs/rkd/rkd_key_frame.h"
#include "format/video_kinds.h"
#include "video/colour_tables.h"
#include "video/work_surfaces.h"

namespace qx {

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

RkdFrame rkd_frame_of(const VideoOutput& video) {
    return {video.frame_width, video.frame_height, *video.target.colour_bits == 8,
            video.target.options.double_width};
}

DctHeader dct_header_of(const VideoOutput& video) {
    return {video.frame_width, video.frame_height, video.quality, video.zle_channel_conversion,
            video.zle_all_intra};
}

bool decode_rkd(VideoOutput& video, const VideoPayload& payload, Pictures pictures,
                uint32_t bytes) {
    const RkdFrame frame = rkd_frame_of(video);
    if (payload.kind == VIDEO_RKD_KEY) {
        if (!rkd_decode_key_frame(video.rkd, payload.data, payload.bytes)) {
            return false;
        }
        if (!frame.palettised) {
            rkd_build_pixel_table(video.rkd,
                                  rkd_pixel_format(video.target, video.tables_brightness));
        }
    } else if (!rkd_decode_inter_frame(video.rkd, frame, payload.data, payload.bytes)) {
        return false;
    }
    if (pictures.own) {
        rkd_convert_kept_picture(video.rkd, frame, pictures.draw, bytes);
    } else {
        rkd_convert_picture(video.rkd, frame, pictures.draw, bytes);
    }
    return true;
}

// Mnb and Zle read their records after the 8-byte frame header, which read_frame_header
// found present.
bool decode_dct(VideoOutput& video, const VideoPayload& payload, Pictures pictures,
                uint32_t bytes) {
    const uint8_t* records = payload.data + DCT_HEADER_BYTES;
    const uint32_t records_bytes = payload.bytes - DCT_HEADER_BYTES;
    const DctHeader header = dct_header_of(video);
    const DctFrame frame = dct_frame_of(header, video.target.options.double_width, bytes);
    DctDecoder& decoder = video.dct;
    rkd_forget_converted_pictures(video.rkd);
    if (payload.kind == VIDEO_MNB) {
        mnb_build_dequant_table(decoder.dequant_table, video.quality);
        mnb_decode_picture(decoder, video.colour_tables, frame, records, records_bytes,
                           pictures.draw);
        return true;
    }
    if (pictures.reference == nullptr) {
        return false;
    }
    zle_build_dequant_table(decoder.dequant_table, video.quality);
    zle_decode_picture(decoder, video.colour_tables, frame, zle_frame_flags(header), records,
                       records_bytes, pictures.draw, pictures.reference);
    return true;
}

bool decode_by_kind(VideoOutput& video, const VideoPayload& payload, Pictures pictures,
                    uint32_t bytes) {
    if (payload.kind == VIDEO_RKD_KEY || payload.kind == VIDEO_RKD_INTER) {
        return decode_rkd(video, payload, pictures, bytes);
    }
    if (is_dct(payload.kind)) {
        return decode_dct(video, payload, pictures, bytes);
    }
    // An unknown kind decodes nothing; the draw picture is shown as it stands.
    return true;
}

// The application's buffers, when they are known to hold the picture.
Pictures application_pictures(const DisplayTarget& target, uint32_t bytes) {
    const uint32_t buffer_bytes = *target.buffer_bytes;
    if (*target.draw_buffer == nullptr || (buffer_bytes != 0 && buffer_bytes < bytes)) {
        return {nullptr, nullptr, false};
    }
    return {*target.draw_buffer, *target.reference_buffer, false};
}

Pictures packed_pictures(VideoOutput& video, uint32_t bytes) {
    if (!ensure_packed_pictures(video, bytes)) {
        return {nullptr, nullptr, false};
    }
    return {video.packed_draw, video.packed_reference, true};
}

bool show_on_draw_surface(VideoOutput& video, const PictureGeometry& geometry) {
    return ensure_work_surfaces(video, geometry.width, geometry.rows) &&
           copy_into_surface(video, **video.target.draw_surface, video.packed_draw,
                             geometry.row_bytes, geometry.rows);
}

}  // namespace

bool read_frame_header(VideoOutput& video, const VideoPayload& payload) {
    switch (payload.kind) {
        case VIDEO_RKD_KEY: {
            if (payload.bytes < RKD_KEY_SIZE_BYTES) {
                return false;
            }
            RkdFrame frame = rkd_frame_of(video);
            rkd_read_key_header(video.rkd, frame, payload.data, payload.bytes);
            video.frame_width = frame.width;
            video.frame_height = frame.height;
            return true;
        }
        case VIDEO_MNB:
        case VIDEO_ZLE: {
            if (payload.bytes < DCT_HEADER_BYTES) {
                return false;
            }
            DctHeader header = dct_header_of(video);
            if (payload.kind == VIDEO_MNB) {
                mnb_read_header(payload.data, payload.bytes, header);
            } else {
                zle_read_header(payload.data, payload.bytes, header);
            }
            video.frame_width = header.width;
            video.frame_height = header.height;
            video.quality = header.quality;
            video.zle_channel_conversion = header.zle_channel_conversion;
            video.zle_all_intra = header.zle_all_intra;
            return true;
        }
        default:
            // An inter frame keeps the size of the latest key frame.
            return true;
    }
}

bool picture_geometry(const VideoOutput& video, int32_t kind, PictureGeometry& geometry) {
    const int32_t width = video.frame_width;
    const int32_t rows = video.frame_height;
    if (width <= 0 || rows <= 0 || width > MAX_FRAME_SIDE || rows > MAX_FRAME_SIDE) {
        return false;
    }
    const int32_t per_pixel = video.target.options.double_width ? 2 : 1;
    const int32_t pixel_bytes = *video.target.colour_bits == 8 && !is_dct(kind) ? 1 : 2;
    geometry.width = width * per_pixel;
    geometry.rows = rows;
    geometry.row_bytes = static_cast<uint32_t>(geometry.width * pixel_bytes);
    geometry.bytes = geometry.row_bytes * static_cast<uint32_t>(rows);
    return true;
}

bool decode_video_picture(VideoOutput& video, const VideoPayload& payload,
                          PictureGeometry& geometry) {
    // The decoding thread picks up a brightness change here, between two frames.
    refresh_colour_tables(video);
    video.frame_dropped = 1;
    if (video.display_unsupported || payload.data == nullptr ||
        !read_frame_header(video, payload)) {
        return false;
    }
    const bool app_buffers = video.target.options.app_buffers;
    // Our 8-bit work surfaces hold one byte per pixel, and a DCT decoder's two-byte pixels
    // mean nothing as palette indices.
    if (!app_buffers && *video.target.colour_bits == 8 && is_dct(payload.kind)) {
        return false;
    }
    if (!picture_geometry(video, payload.kind, geometry)) {
        return false;
    }
    const Pictures pictures = app_buffers ? application_pictures(video.target, geometry.bytes)
                                          : packed_pictures(video, geometry.bytes);
    return pictures.draw != nullptr && decode_by_kind(video, payload, pictures, geometry.bytes);
}

bool decode_video_frame(VideoOutput& video, const VideoPayload& payload) {
    PictureGeometry geometry{};
    if (!decode_video_picture(video, payload, geometry)) {
        return false;
    }
    if (!video.target.options.app_buffers && !show_on_draw_surface(video, geometry)) {
        return false;
    }
    video.frame_dropped = 0;
    return true;
}

}  // namespace qx
