#include "tools/qx/convert/webm_muxer.h"

#include <ebml/EbmlHead.h>
#include <ebml/EbmlSubHead.h>
#include <ebml/EbmlVoid.h>
#include <ebml/IOCallback.h>
#include <matroska/KaxBlock.h>
#include <matroska/KaxBlockData.h>
#include <matroska/KaxCluster.h>
#include <matroska/KaxClusterData.h>
#include <matroska/KaxCues.h>
#include <matroska/KaxCuesData.h>
#include <matroska/KaxInfo.h>
#include <matroska/KaxInfoData.h>
#include <matroska/KaxSeekHead.h>
#include <matroska/KaxSegment.h>
#include <matroska/KaxSemantic.h>
#include <matroska/KaxTrackAudio.h>
#include <matroska/KaxTrackEntryData.h>
#include <matroska/KaxTrackVideo.h>
#include <matroska/KaxTracks.h>

#include <deque>

namespace qx {

using namespace libebml;
using namespace libmatroska;

namespace {

constexpr uint64_t NS_PER_MS = 1000000;
// A cluster's blocks carry 16-bit offsets from its time; a long stretch without a key frame
// (a still picture, sound alone) gets clusters of its own well before that runs out.
constexpr int64_t CLUSTER_MS_AT_MOST = 5000;
// Room for the seek head, written over this space once the cues' place is known.
constexpr uint64_t SEEK_HEAD_ROOM = 160;

// libebml's output over a stdio stream; a failed write is remembered rather than thrown.
class FileOutput : public IOCallback {
  public:
    explicit FileOutput(std::FILE* file) : file_(file) {}
    uint32 read(void*, size_t) override { return 0; }
    void setFilePointer(int64 offset, seek_mode mode) override {
        const int whence = mode == seek_beginning ? SEEK_SET
                           : mode == seek_current ? SEEK_CUR
                                                  : SEEK_END;
        failed_ = failed_ || fseeko(file_, offset, whence) != 0;
    }
    size_t write(const void* buffer, size_t size) override {
        const size_t written = std::fwrite(buffer, 1, size, file_);
        failed_ = failed_ || written != size;
        return written;
    }
    uint64 getFilePointer() override { return static_cast<uint64>(ftello(file_)); }
    void close() override {}
    bool failed() const { return failed_ || std::ferror(file_) != 0; }

  private:
    std::FILE* file_;
    bool failed_ = false;
};

struct Block {
    uint16_t track;
    int64_t time_ms;
    std::vector<uint8_t> data;
    bool key;
    int64_t discard_ns;
};

void add_cue(KaxCues& cues, int64_t time_ms, uint16_t track, uint64_t cluster_position) {
    auto& point = AddNewChild<KaxCuePoint>(cues);
    GetChild<KaxCueTime>(point).SetValue(static_cast<uint64>(time_ms));
    auto& position = GetChild<KaxCueTrackPositions>(point);
    GetChild<KaxCueTrack>(position).SetValue(track);
    GetChild<KaxCueClusterPosition>(position).SetValue(cluster_position);
}

void describe_video(KaxTrackEntry& entry, const WebmVideoTrack& video) {
    GetChild<KaxCodecID>(entry).SetValue("V_VP9");
    auto& picture = GetChild<KaxTrackVideo>(entry);
    GetChild<KaxVideoPixelWidth>(picture).SetValue(static_cast<uint64>(video.width));
    GetChild<KaxVideoPixelHeight>(picture).SetValue(static_cast<uint64>(video.height));
    // The colour is stated so that players do not guess: BT.601 studio-range Y'CbCr with
    // centred chroma, or the components themselves (identity matrix, full range).
    auto& colour = GetChild<KaxVideoColour>(picture);
    GetChild<KaxVideoColourMatrix>(colour).SetValue(video.gbr ? 0 : 6);
    GetChild<KaxVideoBitsPerChannel>(colour).SetValue(8);
    const uint64 subsampling = video.half_chroma ? 1 : 0;
    GetChild<KaxVideoChromaSubsampHorz>(colour).SetValue(subsampling);
    GetChild<KaxVideoChromaSubsampVert>(colour).SetValue(subsampling);
    if (video.half_chroma) {
        GetChild<KaxVideoChromaSitHorz>(colour).SetValue(2);
        GetChild<KaxVideoChromaSitVert>(colour).SetValue(2);
    }
    GetChild<KaxVideoColourRange>(colour).SetValue(video.gbr ? 2 : 1);
    GetChild<KaxVideoColourTransferCharacter>(colour).SetValue(6);
    GetChild<KaxVideoColourPrimaries>(colour).SetValue(6);
}

void describe_audio(KaxTrackEntry& entry, const WebmAudioTrack& audio) {
    GetChild<KaxCodecID>(entry).SetValue("A_OPUS");
    GetChild<KaxCodecPrivate>(entry).CopyBuffer(audio.codec_private.data(),
                                                static_cast<uint32>(audio.codec_private.size()));
    GetChild<KaxCodecDelay>(entry).SetValue(audio.codec_delay_ns);
    GetChild<KaxSeekPreRoll>(entry).SetValue(audio.seek_preroll_ns);
    auto& sound = GetChild<KaxTrackAudio>(entry);
    GetChild<KaxAudioSamplingFreq>(sound).SetValue(audio.sample_rate);
    GetChild<KaxAudioChannels>(sound).SetValue(static_cast<uint64>(audio.channels));
}

KaxTrackEntry& add_track(KaxTracks& tracks, uint16_t number, uint8_t type) {
    auto& entry = AddNewChild<KaxTrackEntry>(tracks);
    entry.SetGlobalTimecodeScale(NS_PER_MS);
    GetChild<KaxTrackNumber>(entry).SetValue(number);
    GetChild<KaxTrackUID>(entry).SetValue(number);
    GetChild<KaxTrackType>(entry).SetValue(type);
    GetChild<KaxTrackFlagLacing>(entry).SetValue(0);
    return entry;
}

}  // namespace

struct WebmMuxer::State {
    std::unique_ptr<FileOutput> output;
    KaxSegment segment;
    EbmlVoid seek_room;
    KaxInfo* info = nullptr;
    KaxTracks* tracks = nullptr;
    KaxTrackEntry* video_entry = nullptr;
    KaxTrackEntry* audio_entry = nullptr;
    KaxCues cues;
    std::deque<Block> cluster;  // the blocks of the cluster being gathered
    bool has_video = false;

    void add(Block block) {
        const bool video_key = has_video && block.track == 1 && block.key;
        const bool starts_cluster =
            !cluster.empty() &&
            (video_key || block.time_ms - cluster.front().time_ms >= CLUSTER_MS_AT_MOST);
        if (starts_cluster) {
            write_cluster();
        }
        cluster.push_back(std::move(block));
    }

    void write_cluster() {
        if (cluster.empty()) {
            return;
        }
        const int64_t start_ms = cluster.front().time_ms;
        KaxCluster written;
        written.SetParent(segment);
        written.InitTimecode(static_cast<uint64>(start_ms), NS_PER_MS);
        GetChild<KaxClusterTimecode>(written).SetValue(static_cast<uint64>(start_ms));
        for (Block& block : cluster) {
            KaxTrackEntry& track = block.track == 1 && has_video ? *video_entry : *audio_entry;
            auto* frame = new DataBuffer(block.data.data(), static_cast<uint32>(block.data.size()),
                                         nullptr, true);
            const uint64 time_ns = static_cast<uint64>(block.time_ms) * NS_PER_MS;
            if (block.discard_ns > 0) {
                auto& group = AddNewChild<KaxBlockGroup>(written);
                group.SetParent(written);
                group.AddFrame(track, time_ns, *frame, LACING_NONE);
                GetChild<KaxDiscardPadding>(group).SetValue(block.discard_ns);
            } else {
                auto& simple = AddNewChild<KaxSimpleBlock>(written);
                simple.SetParent(written);
                simple.SetKeyframe(block.key);
                simple.AddFrame(track, time_ns, *frame, LACING_NONE);
            }
        }
        // Seeking starts at a video key frame, or anywhere in sound alone.
        const uint64_t position = segment.GetRelativePosition(output->getFilePointer());
        for (const Block& block : cluster) {
            if (block.key && (block.track == 1 || !has_video)) {
                add_cue(cues, block.time_ms, block.track, position);
                break;
            }
        }
        static_cast<EbmlMaster&>(written).Render(*output, false);
        cluster.clear();
    }
};

WebmMuxer::WebmMuxer() : state_(std::make_unique<State>()) {}
WebmMuxer::~WebmMuxer() = default;

bool WebmMuxer::begin(std::FILE* file, const WebmVideoTrack* video, const WebmAudioTrack* audio,
                      std::string& error) {
    State& s = *state_;
    s.output = std::make_unique<FileOutput>(file);
    EbmlHead head;
    GetChild<EDocType>(head).SetValue("webm");
    GetChild<EDocTypeVersion>(head).SetValue(4);
    GetChild<EDocTypeReadVersion>(head).SetValue(2);
    head.Render(*s.output, true);
    // Eight bytes of size, written over at the end.
    s.segment.WriteHead(*s.output, 8);
    s.seek_room.SetSize(SEEK_HEAD_ROOM);
    s.seek_room.Render(*s.output);

    s.info = &GetChild<KaxInfo>(s.segment);
    GetChild<KaxTimecodeScale>(*s.info).SetValue(NS_PER_MS);
    auto& duration = GetChild<KaxDuration>(*s.info);
    duration.SetPrecision(EbmlFloat::FLOAT_64);
    duration.SetValue(0);
    GetChild<KaxMuxingApp>(*s.info).SetValue(L"qx convert");
    GetChild<KaxWritingApp>(*s.info).SetValue(L"qx convert");
    s.info->Render(*s.output);

    s.tracks = &GetChild<KaxTracks>(s.segment);
    uint16_t number = 1;
    if (video != nullptr) {
        s.has_video = true;
        s.video_entry = &add_track(*s.tracks, number++, track_video);
        describe_video(*s.video_entry, *video);
    }
    if (audio != nullptr) {
        s.audio_entry = &add_track(*s.tracks, number, track_audio);
        describe_audio(*s.audio_entry, *audio);
    }
    s.tracks->Render(*s.output);
    if (s.output->failed()) {
        error = "cannot write the WebM file's head";
        return false;
    }
    return true;
}

void WebmMuxer::add_video(int64_t time_ms, const uint8_t* data, size_t bytes, bool key) {
    state_->add({1, time_ms, std::vector<uint8_t>(data, data + bytes), key, 0});
}

void WebmMuxer::add_audio(int64_t time_ms, const uint8_t* data, size_t bytes, int64_t discard_ns) {
    const uint16_t track = state_->has_video ? 2 : 1;
    // Every Opus packet can start playback (after the pre-roll).
    state_->add({track, time_ms, std::vector<uint8_t>(data, data + bytes), true, discard_ns});
}

bool WebmMuxer::finish(int64_t duration_ms, std::string& error) {
    State& s = *state_;
    s.write_cluster();
    FileOutput& output = *s.output;
    s.cues.SetGlobalTimecodeScale(NS_PER_MS);
    if (s.cues.ListSize() > 0) {
        s.cues.Render(output);
    }
    const uint64_t end = output.getFilePointer();

    KaxSeekHead seek_head;
    seek_head.IndexThis(*s.info, s.segment);
    seek_head.IndexThis(*s.tracks, s.segment);
    if (s.cues.ListSize() > 0) {
        seek_head.IndexThis(s.cues, s.segment);
    }
    s.seek_room.ReplaceWith(seek_head, output, true);

    GetChild<KaxDuration>(*s.info).SetValue(static_cast<double>(duration_ms));
    output.setFilePointer(static_cast<int64>(s.info->GetElementPosition()), seek_beginning);
    s.info->Render(output);

    s.segment.ForceSize(end - s.segment.GetElementPosition() - s.segment.HeadSize());
    s.segment.OverwriteHead(output);
    output.setFilePointer(static_cast<int64>(end), seek_beginning);
    if (output.failed()) {
        error = "cannot write the WebM file";
        return false;
    }
    return true;
}

}  // namespace qx
