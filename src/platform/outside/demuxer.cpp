#include "platform/outside/demuxer.h"

#include "platform/outside/tone_mapper.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/mathematics.h>
#include <libavutil/pixdesc.h>
}

namespace sp::outside {

namespace {

constexpr AVRational kHnsBase{1, 10'000'000};
constexpr int kIoBufferBytes = 64 * 1024;
constexpr auto kOpenBudget = std::chrono::seconds(20);
constexpr auto kCallBudget = std::chrono::seconds(10);
// A seek reads at most this many packets looking for the key frame before giving up the check.
constexpr int kMaxPacketsPerKeyCheck = 4000;
constexpr int64_t kFirstSeekMarginHns = 10'000'000;
constexpr int kMaxSeekAttempts = 8;
// Detection scores above this mean the data is confidently another container.
constexpr int kOtherContainerScore = AVPROBE_SCORE_MAX / 4;
// The sound kept from before the first picture: at most this much, else none is kept.
constexpr size_t kMaxLeadPackets = 256;
constexpr size_t kMaxLeadBytes = 4 * 1024 * 1024;

std::string avError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

void setError(std::string* error, std::string text) {
    if (error) *error = std::move(text);
}

// Another reference to the same packet data, with the same times.
Packet sharedCopy(const Packet& p) {
    Packet copy;
    copy.raw.reset(av_packet_clone(p.raw.get()));
    copy.streamIndex = p.streamIndex;
    copy.startHns = p.startHns;
    copy.decodeHns = p.decodeHns;
    copy.durationHns = p.durationHns;
    copy.keyframe = p.keyframe;
    return copy;
}

int64_t nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

void PacketDeleter::operator()(AVPacket* p) const {
    av_packet_free(&p);
}

std::span<const uint8_t> Packet::data() const {
    if (!raw || !raw->data) return {};
    return {raw->data, size_t(raw->size)};
}

Demuxer::Demuxer() = default;

Demuxer::~Demuxer() {
    avformat_close_input(&context_);
    if (customIo_ && io_) {
        av_freep(&io_->buffer);
        avio_context_free(&io_);
    } else if (io_) {
        avio_closep(&io_);
    }
}

int Demuxer::interruptCallback(void* opaque) {
    auto* self = static_cast<Demuxer*>(opaque);
    if (self->aborted_.load()) return 1;
    const int64_t deadline = self->deadlineNs_.load();
    return deadline != 0 && nowNs() > deadline ? 1 : 0;
}

void Demuxer::armDeadline(std::chrono::seconds budget) {
    deadlineNs_.store(nowNs() +
                      std::chrono::duration_cast<std::chrono::nanoseconds>(budget).count());
}

void Demuxer::abort() {
    aborted_.store(true);
}

bool Demuxer::rebind(ReadAt reader) {
    if (!customIo_ || !reader) return false;
    reader_ = std::move(reader);
    return true;
}

int Demuxer::readCallback(void* opaque, uint8_t* buf, int size) {
    auto* self = static_cast<Demuxer*>(opaque);
    if (self->aborted_.load()) return AVERROR_EXIT;
    int64_t n = self->reader_(self->readerPos_, std::span<uint8_t>(buf, size_t(size)));
    if (n < 0) return AVERROR(EIO);
    if (n == 0) return AVERROR_EOF;
    n = std::min<int64_t>(n, size);
    self->readerPos_ += n;
    return int(n);
}

int64_t Demuxer::seekCallback(void* opaque, int64_t offset, int whence) {
    auto* self = static_cast<Demuxer*>(opaque);
    int64_t base = 0;
    switch (whence & ~AVSEEK_FORCE) {
    case AVSEEK_SIZE:
        return self->readerLength_;
    case SEEK_SET:
        base = 0;
        break;
    case SEEK_CUR:
        base = self->readerPos_;
        break;
    case SEEK_END:
        base = self->readerLength_;
        break;
    default:
        return AVERROR(EINVAL);
    }
    const int64_t target = base + offset;
    if (target < 0 || target > self->readerLength_) return AVERROR(EINVAL);
    self->readerPos_ = target;
    return target;
}

std::unique_ptr<Demuxer> Demuxer::openFile(const std::string& path, std::string_view format,
                                           std::string* error) {
    std::unique_ptr<Demuxer> d(new Demuxer());
    AVIOInterruptCB cb{&Demuxer::interruptCallback, d.get()};
    d->armDeadline(kOpenBudget);
    // Always a local file: a name like "http://..." or "concat:..." must not pick a protocol.
    const std::string url = "file:" + path;
    int r = avio_open2(&d->io_, url.c_str(), AVIO_FLAG_READ, &cb, nullptr);
    if (r < 0) {
        setError(error, "cannot open " + path + ": " + avError(r));
        return nullptr;
    }
    if (!d->openInput(format, error)) return nullptr;
    return d;
}

std::unique_ptr<Demuxer> Demuxer::openReader(ReadAt reader, int64_t length, std::string_view format,
                                             std::string* error) {
    if (!reader || length < 0) {
        setError(error, "no reader");
        return nullptr;
    }
    std::unique_ptr<Demuxer> d(new Demuxer());
    d->reader_ = std::move(reader);
    d->readerLength_ = length;
    d->customIo_ = true;
    auto* buffer = static_cast<uint8_t*>(av_malloc(kIoBufferBytes));
    if (buffer)
        d->io_ = avio_alloc_context(buffer, kIoBufferBytes, 0, d.get(), &Demuxer::readCallback,
                                    nullptr, &Demuxer::seekCallback);
    if (!d->io_) {
        av_free(buffer);
        setError(error, "out of memory");
        return nullptr;
    }
    d->armDeadline(kOpenBudget);
    if (!d->openInput(format, error)) return nullptr;
    return d;
}

bool Demuxer::openInput(std::string_view format, std::string* error) {
    const AVInputFormat* detected = nullptr;
    int score = av_probe_input_buffer2(io_, &detected, "", nullptr, 0, 0);
    if (score < 0 || !detected) {
        setError(error, "not a recognised media file");
        return false;
    }
    const AVInputFormat* chosen = detected;
    if (!format.empty()) {
        chosen = av_find_input_format(std::string(format).c_str());
        if (!chosen) {
            setError(error, "unknown container " + std::string(format));
            return false;
        }
        if (chosen != detected && score > kOtherContainerScore) {
            setError(error,
                     std::string("the file is ") + detected->name + ", not " + std::string(format));
            return false;
        }
    }
    context_ = avformat_alloc_context();
    if (!context_) {
        setError(error, "out of memory");
        return false;
    }
    context_->pb = io_;
    context_->flags |= AVFMT_FLAG_CUSTOM_IO | AVFMT_FLAG_GENPTS;
    context_->interrupt_callback = {&Demuxer::interruptCallback, this};
    // Containers that refer to other resources (playlists) may only open local files.
    AVDictionary* options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    int r = avformat_open_input(&context_, "", chosen, &options);
    av_dict_free(&options);
    if (r < 0) { // avformat_open_input frees the context on failure
        setError(error, std::string("cannot read the ") + chosen->name + " header: " + avError(r));
        return false;
    }
    r = avformat_find_stream_info(context_, nullptr);
    if (r < 0) {
        setError(error, "cannot read the streams: " + avError(r));
        return false;
    }
    // AVI times its samples in decoding order only. Presentation times made up from them are
    // shifted by the decoder's delay (the first picture would not lie at the stream's start),
    // so such samples carry their decoding times and the decoder puts them in order.
    if (std::string_view(context_->iformat->name) == "avi") context_->flags &= ~AVFMT_FLAG_GENPTS;
    return describeStreams(error);
}

bool Demuxer::describeStreams(std::string* error) {
    const std::string container = context_->iformat->name;
    for (unsigned i = 0; i < context_->nb_streams; ++i) {
        const AVStream& st = *context_->streams[i];
        auto desc = describeStream(st, container);
        DemuxerStream s;
        s.index = int(i);
        s.kind = desc.kind;
        s.mediaType = std::move(desc.mediaType);
        s.codecName = avcodec_get_name(st.codecpar->codec_id);
        if (st.duration != AV_NOPTS_VALUE && st.duration > 0)
            s.durationHns = av_rescale_q(st.duration, st.time_base, kHnsBase);
        if (desc.kind == StreamKind::Video) {
            s.baseFrameHns = variableRateBaseFrameHns(st);
            const AVPixFmtDescriptor* pixels =
                av_pix_fmt_desc_get(AVPixelFormat(st.codecpar->format));
            s.sampleBits = pixels && pixels->nb_components > 0 ? pixels->comp[0].depth : 0;
            s.hdr = ToneMapper::isHdrTransfer(st.codecpar->color_trc);
        }
        streams_.push_back(std::move(s));
        hidden_.push_back(desc.kind == StreamKind::Other);
    }
    setTimeOrigin(); // before any packet is read: every packet time is relative to it
    keepTags();
    markInterleavedDv();
    keepSoundLead();
    bool any = std::any_of(streams_.begin(), streams_.end(),
                           [](const DemuxerStream& s) { return s.kind != StreamKind::Other; });
    if (!any) setError(error, "no video or audio stream");
    return any;
}

// Position 0 is the first video frame's presentation time (the first sound sample's in a file
// without video), not the container's start: program and transport streams start their sound
// a few milliseconds before the picture, ASF counts a preroll, B-frames delay the first
// picture. libavformat's stream start time is the first frame's presentation time (after edit
// lists; packets marked for discarding lie before it).
void Demuxer::setTimeOrigin() {
    auto startOf = [&](size_t i) -> std::optional<int64_t> {
        const AVStream& st = *context_->streams[i];
        if (st.start_time == AV_NOPTS_VALUE) return std::nullopt;
        return av_rescale_q(st.start_time, st.time_base, kHnsBase);
    };
    std::optional<int64_t> origin;
    for (size_t i = 0; i < streams_.size() && !origin; ++i)
        if (streams_[i].kind == StreamKind::Video || streams_[i].kind == StreamKind::Interleaved)
            origin = startOf(i);
    for (size_t i = 0; i < streams_.size(); ++i)
        if (streams_[i].kind == StreamKind::Audio && !hasVideo())
            if (auto t = startOf(i); t && (!origin || *t < *origin)) origin = t;
    const int64_t containerStart =
        context_->start_time == AV_NOPTS_VALUE
            ? 0
            : av_rescale_q(context_->start_time, AV_TIME_BASE_Q, kHnsBase);
    startTimeHns_ = origin.value_or(containerStart);
    // The container's duration runs from its own start; what lies before the origin is cut.
    durationHns_ =
        context_->duration == AV_NOPTS_VALUE || context_->duration < 0
            ? 0
            : std::max<int64_t>(0, av_rescale_q(context_->duration, AV_TIME_BASE_Q, kHnsBase) +
                                       containerStart - startTimeHns_);
}

void Demuxer::keepTags() {
    auto keep = [this](const AVDictionary* dict) {
        const AVDictionaryEntry* e = nullptr;
        while ((e = av_dict_get(dict, "", e, AV_DICT_IGNORE_SUFFIX)))
            if (e->key && e->value) tags_.emplace_back(e->key, e->value);
    };
    keep(context_->metadata);
    for (const DemuxerStream& s : streams_)
        if (s.kind == StreamKind::Video || s.kind == StreamKind::Interleaved) {
            keep(context_->streams[s.index]->metadata);
            break;
        }
}

std::optional<std::string> Demuxer::tag(std::string_view name) const {
    auto sameName = [name](const std::pair<std::string, std::string>& t) {
        return std::equal(
            t.first.begin(), t.first.end(), name.begin(), name.end(),
            [](char a, char b) { return std::tolower(uint8_t(a)) == std::tolower(uint8_t(b)); });
    };
    auto it = std::find_if(tags_.begin(), tags_.end(), sameName);
    if (it == tags_.end()) return std::nullopt;
    return it->second;
}

bool Demuxer::hasVideo() const {
    return std::any_of(streams_.begin(), streams_.end(), [](const DemuxerStream& s) {
        return s.kind == StreamKind::Video || s.kind == StreamKind::Interleaved;
    });
}

// Raw DV and type-1 DV AVI (whose DV stream has no four-character code) carry audio inside the
// video frames: the video stream becomes one interleaved stream of whole frames, and the audio
// streams libavformat extracts from them are hidden.
void Demuxer::markInterleavedDv() {
    const std::string_view container = context_->iformat->name;
    int dv = -1;
    for (unsigned i = 0; i < context_->nb_streams; ++i) {
        const AVCodecParameters& par = *context_->streams[i]->codecpar;
        if (par.codec_id == AV_CODEC_ID_DVVIDEO &&
            (container == "dv" || (container == "avi" && par.codec_tag == 0)))
            dv = int(i);
    }
    if (dv < 0) return;
    for (auto& s : streams_)
        if (s.kind == StreamKind::Audio) {
            s.kind = StreamKind::Other;
            hidden_[size_t(s.index)] = true;
        }
    // The DVINFO block comes from the first frame; packets read for it are returned first.
    armDeadline(kCallBudget);
    std::span<const uint8_t> firstFrame; // stays empty (zero DVINFO) when no frame is read
    while (pending_.size() < 64 && firstFrame.empty()) {
        auto p = readRaw();
        if (!p) break;
        pending_.push_back(std::move(*p));
        if (pending_.back().streamIndex == dv) firstFrame = pending_.back().data();
    }
    streams_[size_t(dv)].mediaType = interleavedDvType(firstFrame);
    streams_[size_t(dv)].kind = StreamKind::Interleaved;
    hidden_[size_t(dv)] = false;
}

std::string Demuxer::formatName() const {
    return context_->iformat->name;
}

int64_t Demuxer::toHns(int64_t ts, int streamIndex) const {
    if (ts == AV_NOPTS_VALUE) return kNoTimeHns;
    return av_rescale_q(ts, context_->streams[streamIndex]->time_base, kHnsBase) - startTimeHns_;
}

// Containers that keep times in milliseconds (Matroska, WebM, FLV) round a 30 fps frame's start
// by up to half a millisecond, so the frame of a timecode may seem to start after it. A video
// time within half a tick of the stream's base-rate grid (counted from the first picture) is
// put back on it; a time the grid does not explain stays as it is.
int64_t Demuxer::onFrameGrid(int64_t hns, int streamIndex) const {
    const AVStream& st = *context_->streams[streamIndex];
    const AVRational rate = st.r_frame_rate;
    if (hns == kNoTimeHns || streams_[size_t(streamIndex)].kind != StreamKind::Video ||
        rate.num <= 0 || rate.den <= 0 || av_q2d(rate) > 240)
        return hns;
    const int64_t halfTick = av_rescale_q(1, st.time_base, kHnsBase) / 2;
    if (halfTick < 500) return hns; // times finer than 0.1 ms are taken as they are
    const int64_t frame =
        av_rescale_rnd(hns, rate.num, int64_t(rate.den) * 10'000'000, AV_ROUND_NEAR_INF);
    const int64_t onGrid =
        av_rescale_rnd(frame, int64_t(rate.den) * 10'000'000, rate.num, AV_ROUND_NEAR_INF);
    return std::abs(onGrid - hns) <= halfTick ? onGrid : hns;
}

Packet Demuxer::wrap(AVPacket* pkt) const {
    Packet p;
    p.raw.reset(pkt);
    p.streamIndex = pkt->stream_index;
    p.decodeHns = onFrameGrid(toHns(pkt->dts, pkt->stream_index), pkt->stream_index);
    p.startHns = pkt->pts != AV_NOPTS_VALUE
                     ? onFrameGrid(toHns(pkt->pts, pkt->stream_index), pkt->stream_index)
                     : p.decodeHns;
    if (pkt->duration > 0)
        p.durationHns =
            av_rescale_q(pkt->duration, context_->streams[pkt->stream_index]->time_base, kHnsBase);
    p.keyframe = (pkt->flags & AV_PKT_FLAG_KEY) != 0;
    return p;
}

bool Demuxer::returned(int streamIndex) const {
    return streamIndex >= 0 && size_t(streamIndex) < hidden_.size() &&
           !hidden_[size_t(streamIndex)];
}

std::optional<Packet> Demuxer::readRaw() {
    atEnd_ = false;
    if (aborted_.load()) return std::nullopt;
    for (;;) {
        AVPacket* pkt = av_packet_alloc();
        if (!pkt) return std::nullopt;
        int r = av_read_frame(context_, pkt);
        if (r == AVERROR(EAGAIN)) {
            av_packet_free(&pkt);
            if (interruptCallback(this)) return std::nullopt;
            continue;
        }
        if (r < 0 || size_t(pkt->stream_index) >= streams_.size()) {
            av_packet_free(&pkt);
            atEnd_ = r == AVERROR_EOF && !aborted_.load();
            return std::nullopt;
        }
        return wrap(pkt);
    }
}

std::optional<Packet> Demuxer::readPacket() {
    untouched_ = false;
    if (aborted_.load()) return std::nullopt;
    if (!pending_.empty()) {
        Packet p = std::move(pending_.front());
        pending_.pop_front();
        return p;
    }
    armDeadline(kCallBudget);
    for (;;) {
        auto p = readRaw();
        if (!p || returned(p->streamIndex)) return p;
    }
}

int Demuxer::referenceStream() const {
    for (const auto& s : streams_)
        if (s.kind == StreamKind::Video || s.kind == StreamKind::Interleaved) return s.index;
    return -1;
}

bool Demuxer::seekRaw(int64_t positionHns) {
    const int64_t ts = av_rescale_q(positionHns + startTimeHns_, kHnsBase, AV_TIME_BASE_Q);
    if (avformat_seek_file(context_, -1, INT64_MIN, ts, ts, 0) >= 0) return true;
    if (av_seek_frame(context_, -1, ts, AVSEEK_FLAG_BACKWARD) >= 0) return true;
    // Some containers only seek by byte; the start of the file is always a safe place.
    return positionHns <= 0 && av_seek_frame(context_, -1, 0, AVSEEK_FLAG_BYTE) >= 0;
}

// Reads after a seek until the reference stream's first key frame with a time, keeping what
// was read (other streams' packets, and the key frame itself) in pending_.
Demuxer::KeyCheck Demuxer::readToKeyframe(int referenceStream, int64_t positionHns) {
    for (int n = 0; n < kMaxPacketsPerKeyCheck; ++n) {
        auto p = readRaw();
        if (!p) return KeyCheck::Late; // no key frame after the landing place: go earlier
        if (!returned(p->streamIndex)) continue;
        if (p->streamIndex != referenceStream) {
            pending_.push_back(std::move(*p));
            continue;
        }
        if (!p->keyframe || p->startHns == kNoTimeHns) continue; // not decodable from here
        // Targets before the stream's first frame are served by that frame.
        const AVStream* st = context_->streams[referenceStream];
        const int64_t first = toHns(st->start_time, referenceStream);
        const bool late = p->startHns > std::max(positionHns, first);
        pending_.push_back(std::move(*p));
        return late ? KeyCheck::Late : KeyCheck::AtOrBefore;
    }
    return KeyCheck::Unknown;
}

std::optional<int64_t> Demuxer::keyframeAtOrBefore(int64_t positionHns) const {
    const int ref = referenceStream();
    if (ref < 0) return std::nullopt;
    AVStream* st = context_->streams[ref];
    const int count = avformat_index_get_entries_count(st);
    if (count <= 0) return std::nullopt;
    const int64_t ts = av_rescale_q(positionHns + startTimeHns_, kHnsBase, st->time_base);
    if (avformat_index_get_entry(st, count - 1)->timestamp < ts) return std::nullopt;
    const AVIndexEntry* key = avformat_index_get_entry_from_timestamp(st, ts, AVSEEK_FLAG_BACKWARD);
    if (!key) return std::nullopt;
    return toHns(key->timestamp, ref);
}

// Reads from the start to the first video packet (the packets stay pending, returned first) and
// keeps copies of the sound packets before it. Only complete leads are kept, with every time
// known, so restoring one never leaves a gap.
void Demuxer::keepSoundLead() {
    const int ref = referenceStream();
    const bool sound = std::any_of(streams_.begin(), streams_.end(), [](const DemuxerStream& s) {
        return s.kind == StreamKind::Audio;
    });
    if (ref < 0 || !sound || !pending_.empty()) return;
    armDeadline(kCallBudget);
    std::vector<Packet> lead;
    size_t bytes = 0;
    while (lead.size() < kMaxLeadPackets && bytes < kMaxLeadBytes) {
        auto p = readRaw();
        if (!p) return;
        const bool video = p->streamIndex == ref;
        if (video) firstVideoHns_ = p->startHns;
        if (!video && returned(p->streamIndex)) {
            if (p->startHns == kNoTimeHns) return;
            Packet copy = sharedCopy(*p);
            if (!copy.raw) return;
            bytes += copy.data().size();
            lead.push_back(std::move(copy));
        }
        pending_.push_back(std::move(*p));
        if (video) break;
    }
    if (firstVideoHns_ != kNoTimeHns) soundLead_ = std::move(lead);
}

// After landing on the first video packet: each kept sound packet that the container's seek
// skipped (none of its stream at or before its time is pending) goes back in front, in order.
void Demuxer::restoreSoundLead() {
    const int ref = referenceStream();
    auto key = std::find_if(pending_.begin(), pending_.end(),
                            [&](const Packet& p) { return p.streamIndex == ref; });
    if (soundLead_.empty() || key == pending_.end() || key->startHns != firstVideoHns_) return;
    std::vector<Packet> restored;
    for (const Packet& kept : soundLead_) {
        const bool present = std::any_of(pending_.begin(), pending_.end(), [&](const Packet& p) {
            return p.streamIndex == kept.streamIndex && p.startHns <= kept.startHns;
        });
        if (present) continue;
        if (Packet copy = sharedCopy(kept); copy.raw) restored.push_back(std::move(copy));
    }
    pending_.insert(pending_.begin(), std::make_move_iterator(restored.begin()),
                    std::make_move_iterator(restored.end()));
}

bool Demuxer::seek(int64_t positionHns) {
    untouched_ = false;
    if (!seekToKeyframe(positionHns)) return false;
    restoreSoundLead();
    return true;
}

bool Demuxer::seekToKeyframe(int64_t positionHns) {
    aborted_.store(false);
    const int ref = referenceStream();
    int64_t margin = 0;
    for (int attempt = 0; attempt < kMaxSeekAttempts; ++attempt) {
        pending_.clear();
        armDeadline(kCallBudget);
        const int64_t target = std::max<int64_t>(0, positionHns - margin);
        if (!seekRaw(target)) return false;
        if (ref < 0) return true;
        if (readToKeyframe(ref, positionHns) != KeyCheck::Late) return true;
        if (target == 0) break;
        margin = margin == 0 ? kFirstSeekMarginHns : margin * 2;
    }
    // Even a seek to the start landed after the target (streams without an index whose video
    // starts after the audio): read from the first byte.
    pending_.clear();
    if (!(context_->iformat->flags & AVFMT_NO_BYTE_SEEK) &&
        av_seek_frame(context_, -1, 0, AVSEEK_FLAG_BYTE) >= 0)
        readToKeyframe(ref, positionHns);
    return true;
}

} // namespace sp::outside
