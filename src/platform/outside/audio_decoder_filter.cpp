#include "platform/outside/audio_decoder_filter.h"

#include "platform/graph/guids.h"
#include "platform/outside/media_types_av.h"

#include <algorithm>
#include <cstring>

namespace sp::outside {

using namespace mf;

AudioDecoderFilter::AudioDecoderFilter()
    : TransformFilter("ffdshow Audio Decoder", CLSID_FfdshowAudioDecoder) {}

HRESULT AudioDecoderFilter::CheckInputType(const MediaType& type) {
    if (type.majortype != MEDIATYPE_Audio || type.subtype == MEDIASUBTYPE_PCM)
        return VFW_E_TYPE_NOT_ACCEPTED;
    return codecParametersFor(type) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT AudioDecoderFilter::GetMediaType(int position, MediaType* type) {
    if (position < 0) return E_INVALIDARG;
    if (position > 0) return VFW_S_NO_MORE_ITEMS;
    auto wfx = input()->CurrentMediaType().formatAs<WAVEFORMATEX>();
    if (!wfx || wfx->nSamplesPerSec == 0 || wfx->nChannels == 0) return VFW_S_NO_MORE_ITEMS;
    *type = makePcmType(wfx->nSamplesPerSec, wfx->nChannels, 16);
    return S_OK;
}

HRESULT AudioDecoderFilter::CheckTransform(const MediaType& in, const MediaType& out) {
    if (CheckInputType(in) != S_OK) return VFW_E_TYPE_NOT_ACCEPTED;
    auto wfx = out.formatAs<WAVEFORMATEX>();
    return out.majortype == MEDIATYPE_Audio && out.subtype == MEDIASUBTYPE_PCM && wfx &&
                   wfx->wBitsPerSample == 16
               ? S_OK
               : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT AudioDecoderFilter::DecideBufferSize(IMemAllocator* allocator,
                                             AllocatorProperties* request) {
    request->cBuffers = std::max(request->cBuffers, 8L);
    request->cbBuffer = std::max(request->cbBuffer, 256L * 1024);
    AllocatorProperties actual;
    return allocator->SetProperties(*request, &actual);
}

HRESULT AudioDecoderFilter::StartStreaming() {
    decoder_ = AudioDecoder::open(input()->CurrentMediaType());
    if (!decoder_) return VFW_E_TYPE_NOT_ACCEPTED;
    auto wfx = output()->CurrentMediaType().formatAs<WAVEFORMATEX>();
    outRate_ = wfx ? int(wfx->nSamplesPerSec) : 0;
    outChannels_ = wfx ? wfx->nChannels : 0;
    return S_OK;
}

HRESULT AudioDecoderFilter::StopStreaming() {
    decoder_.reset();
    return S_OK;
}

HRESULT AudioDecoderFilter::deliverChunk(const AudioChunk& chunk) {
    const size_t frameBytes = size_t(chunk.channels) * 2;
    // Sound before the segment start (before a seek target, or before the first picture of a
    // file whose sound starts first) is cut off to the sample.
    size_t framesDone = 0;
    if (chunk.startHns != kNoTimeHns && chunk.startHns < 0)
        framesDone = std::min(
            chunk.frames(), size_t((-chunk.startHns * chunk.sampleRate + 9'999'999) / 10'000'000));
    while (framesDone < chunk.frames()) {
        ComPtr<IMediaSample> out;
        HRESULT hr = output()->GetDeliveryBuffer(&out);
        if (FAILED(hr)) return hr;
        if (chunk.sampleRate != outRate_ || chunk.channels != outChannels_) {
            MediaType changed = makePcmType(uint32_t(chunk.sampleRate), uint16_t(chunk.channels));
            out->SetMediaType(&changed);
            output()->SetMediaType(changed);
            outRate_ = chunk.sampleRate;
            outChannels_ = chunk.channels;
        }
        size_t frames = std::min(chunk.frames() - framesDone, size_t(out->GetSize()) / frameBytes);
        std::memcpy(out->GetPointer(), chunk.samples.data() + framesDone * size_t(chunk.channels),
                    frames * frameBytes);
        out->SetActualDataLength(long(frames * frameBytes));
        if (chunk.startHns != kNoTimeHns) {
            REFERENCE_TIME start =
                chunk.startHns + REFERENCE_TIME(framesDone) * 10'000'000 / chunk.sampleRate;
            REFERENCE_TIME stop = start + REFERENCE_TIME(frames) * 10'000'000 / chunk.sampleRate;
            out->SetTime(&start, &stop);
        }
        out->SetSyncPoint(true);
        hr = output()->Deliver(out.get());
        if (hr != S_OK) return hr;
        framesDone += frames;
    }
    return S_OK;
}

HRESULT AudioDecoderFilter::deliverChunks() {
    while (auto chunk = decoder_->nextChunk()) {
        if (chunk->channels <= 0 || chunk->sampleRate <= 0) continue;
        // Sound that ends before the segment starts (decoded to reach a seek target) is
        // never played.
        if (chunk->startHns != kNoTimeHns &&
            chunk->startHns + int64_t(chunk->frames()) * 10'000'000 / chunk->sampleRate <= 0)
            continue;
        HRESULT hr = deliverChunk(*chunk);
        if (hr != S_OK) return hr;
    }
    return S_OK;
}

HRESULT AudioDecoderFilter::Receive(IMediaSample* sample) {
    if (!decoder_) return VFW_E_WRONG_STATE;
    REFERENCE_TIME start = 0, stop = 0;
    int64_t time = SUCCEEDED(sample->GetTime(&start, &stop)) ? start : kNoTimeHns;
    decoder_->sendPacket(std::span(sample->GetPointer(), size_t(sample->GetActualDataLength())),
                         time);
    HRESULT hr = deliverChunks();
    return FAILED(hr) ? hr : S_OK;
}

HRESULT AudioDecoderFilter::EndOfStream() {
    if (decoder_) {
        decoder_->sendEndOfStream();
        deliverChunks();
    }
    return TransformFilter::EndOfStream();
}

HRESULT AudioDecoderFilter::EndFlush() {
    if (decoder_) decoder_->flush();
    return TransformFilter::EndFlush();
}

} // namespace sp::outside
