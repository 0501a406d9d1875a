#include "probe_session.h"

#include "filters/stream_info.h"
#include "platform/graph/guids.h"
#include "platform/outside/outside_registration.h"
#include "platform/outside/video_renderer.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <cstdio>

namespace sp::probe {

using namespace mf;

Session::Session()
    : preview_(outside::CLSID_PreviewRenderer, "Video Renderer"),
      sharedSound_(CLSID_DSoundRender, "Default DirectSound Device") {
    outside::registerOutsideFilters();
    FilterMapper::instance().RegisterFilter(outside::videoRendererRegistration());
    env_.HaaliInstalled = FilterMapper::instance().IsRegistered(CLSID_HaaliMediaSplitter);
    env_.PreviewRenderer = &preview_;
    env_.SharedAudioRender = &sharedSound_;
    target_ = std::make_shared<QtMessageTarget>(
        [this](uint32_t msg, uintptr_t w, intptr_t l) { return Handle(msg, w, l); });
    setMainWindowTarget(target_);
    media_ = std::make_unique<TMediaSystem>();
    media_->SetVideoWindow(&preview_);
    media_->VideoDecoderInstalled = FilterMapper::instance().IsRegistered(CLSID_FfdshowVideoDecoder);
}

Session::~Session() {
    if (media_) media_->CloseSources();
    media_.reset();
    builder_.reset();
    setMainWindowTarget(nullptr);
}

intptr_t Session::Handle(uint32_t msg, uintptr_t wParam, intptr_t lParam) {
    switch (msg) {
    case WM_STREAM_INFO:
        if (wParam == 1) {
            media_->VideoInfo = CopyTvData(); // the record lParam points to, under its lock
            media_->FrameDuration =
                media_->VideoInfo.FrameDuration > 0 ? media_->VideoInfo.FrameDuration : 400000;
        } else if (wParam == 2) {
            media_->AudioInfo = CopyTaData();
        }
        return 0;
    case WM_GRAB_FRAME:
        if (OnGrab) OnGrab(*reinterpret_cast<TFrameBitmap*>(lParam), int64_t(wParam));
        return 0;
    case WM_RECONNECT:
        media_->ReconnectSuperposer(lParam != 0);
        return 0;
    case WM_END_OF_MEDIA:
        EndOfMedia = true;
        return 0;
    }
    return 0;
}

bool Session::Open(const std::string& path) {
    builder_ = std::make_unique<TGrabBuilder>(path, env_);
    if (builder_->Failed) {
        std::fprintf(stderr, "stillpick-probe: %s is not a video file that can be read\n",
                     path.c_str());
        return false;
    }
    return true;
}

bool Session::Select(int video, int audio, bool settle) {
    auto& videos = builder_->VideoSources;
    auto& audios = builder_->AudioSources;
    if (video < 0 || video > int(videos.size()) || audio < 0 || audio > int(audios.size())) {
        std::fprintf(stderr, "stillpick-probe: no such stream\n");
        return false;
    }
    TVideoSource* v = video ? videos[size_t(video - 1)] : &NoVideo();
    TAudioSource* a = audio ? audios[size_t(audio - 1)] : &NoAudio();
    if (!media_->SelectSources(v, a) || (video && !media_->HasVideo())) {
        std::fprintf(stderr, "stillpick-probe: the file cannot be played\n");
        return false;
    }
    if (auto* window = dynamic_cast<IVideoWindow*>(preview_.Filter())) {
        window->put_Owner(&surface_);
        window->put_Visible(true);
    }
    ProcessEvents(); // the stream descriptions, and with them the frame duration
    return settle ? Settle() : true;
}

bool Session::Settle() {
    // The graph is paused or running: wait until the still is cued, as a seek would.
    mf::FilterGraph* graph = media_->graph.Graph();
    if (!graph) return false;
    mf::FilterState state;
    for (int polls = 0; polls < 500; ++polls) {
        ProcessEvents();
        if (graph->GetState(10, &state) == mf::S_OK) {
            ProcessEvents();
            return true;
        }
    }
    return false;
}

void Session::ProcessEvents() { QCoreApplication::processEvents(); }

void Session::WaitForEvents() { QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents); }

} // namespace sp::probe
