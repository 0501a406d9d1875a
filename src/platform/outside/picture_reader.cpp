#include "platform/outside/picture_reader.h"

namespace sp::outside {

std::unique_ptr<PictureReader> PictureReader::open(const std::string& path, std::string* error,
                                                   int threads) {
    std::unique_ptr<PictureReader> reader(new PictureReader());
    reader->demuxer_ = Demuxer::openFile(path, {}, error);
    if (!reader->demuxer_) return nullptr;
    for (const DemuxerStream& s : reader->demuxer_->streams())
        // Interleaved DV (raw .dv, type 1 AVI) carries its pictures in its one stream.
        if (s.kind == StreamKind::Video || s.kind == StreamKind::Interleaved) {
            reader->stream_ = s.index;
            reader->streamBits_ = s.sampleBits;
            reader->streamHdr_ = s.hdr;
            reader->decoder_ = VideoDecoder::open(s.mediaType, error, threads);
            break;
        }
    if (reader->stream_ < 0 && error) *error = "no video stream";
    if (!reader->decoder_) return nullptr;
    // Reading runs forward: no picture is kept for steps back.
    reader->decoder_->setCaching(false);
    reader->decoder_->setStreamEnd(reader->demuxer_->durationHns());
    return reader;
}

std::optional<VideoFrameInfo> PictureReader::next() {
    while (!aborted_.load()) {
        if (auto frame = decoder_->nextFrame()) return frame;
        if (endSent_) return std::nullopt;
        std::optional<Packet> packet = demuxer_->readPacket();
        if (!packet) {
            decoder_->sendEndOfStream();
            endSent_ = true;
        } else if (packet->streamIndex == stream_) {
            decoder_->sendPacket(packet->data(), packet->startHns);
        }
    }
    return std::nullopt;
}

bool PictureReader::copyScaled(std::span<uint8_t> dst, int width, int height) {
    return decoder_->copyCurrentScaled(dst, width, height);
}

bool PictureReader::seek(int64_t positionHns) {
    if (aborted_.load() || !demuxer_->seek(positionHns)) return false;
    decoder_->flush();
    decoder_->setDropBefore(positionHns);
    endSent_ = false;
    return true;
}

void PictureReader::abort() {
    aborted_ = true;
    demuxer_->abort();
}

} // namespace sp::outside
