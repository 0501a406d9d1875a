#include "media/capture_devices.h"

#include "platform/graph/guids.h"

#include <algorithm>
#include <cctype>

namespace sp {

using namespace mf;

namespace {

using Factory = std::unique_ptr<TCaptureDevice> (*)(const std::string&, const TBuilderEnvironment&);
template <class T>
std::unique_ptr<TCaptureDevice> build(const std::string& path, const TBuilderEnvironment& env) {
    return std::make_unique<T>(path, env);
}

std::vector<Factory> candidatesFor(const std::string& extension) {
    auto in = [&](std::initializer_list<const char*> list) {
        return std::any_of(list.begin(), list.end(), [&](const char* e) { return extension == e; });
    };
    if (in({".avi", ".ivf"}))
        return {build<TFileAviCaptureDevice>, build<TFileUnknownCaptureDevice>};
    if (in({".mpg", ".mpeg", ".m1v", ".mp2", ".mpe", ".vob"}))
        return {build<TFileMpeg2PSCaptureDevice>, build<TFileMpeg1CaptureDevice>,
                build<TFileMpeg2SplitterCaptureDevice>, build<TFileMpeg2TSCaptureDevice>,
                build<TFileUnknownCaptureDevice>};
    if (in({".wmv", ".asf"}))
        return {build<TFileWmvCaptureDevice>, build<TFileUnknownCaptureDevice>};
    if (in({".mts", ".m2ts", ".mkv", ".mov", ".mp4", ".3g2", ".m4v", ".ts"}))
        return {build<TFileMpeg2TSCaptureDevice>, build<TFileUnknownCaptureDevice>};
    return {build<TFileUnknownCaptureDevice>};
}

} // namespace

std::string LowerExtension(const std::string& path) {
    size_t separator = path.find_last_of("/\\:");
    size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (separator != std::string::npos && dot < separator)) return {};
    std::string ext = path.substr(dot);
    for (char& c : ext)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

const char* BuilderClassName(const TCaptureDevice* d) {
    if (dynamic_cast<const TFileAviCaptureDevice*>(d)) return "TFileAviCaptureDevice";
    if (dynamic_cast<const TFileMpeg2PSCaptureDevice*>(d)) return "TFileMpeg2PSCaptureDevice";
    if (dynamic_cast<const TFileMpeg1CaptureDevice*>(d)) return "TFileMpeg1CaptureDevice";
    if (dynamic_cast<const TFileMpeg2SplitterCaptureDevice*>(d))
        return "TFileMpeg2SplitterCaptureDevice";
    if (dynamic_cast<const TFileWmvCaptureDevice*>(d)) return "TFileWmvCaptureDevice";
    if (dynamic_cast<const TFileMpeg2TSCaptureDevice*>(d)) return "TFileMpeg2TSCaptureDevice";
    if (dynamic_cast<const TFileUnknownCaptureDevice*>(d)) return "TFileUnknownCaptureDevice";
    if (dynamic_cast<const TDVCaptureDevice*>(d)) return "TDVCaptureDevice";
    return "";
}

std::string FileNameOnly(const std::string& path) {
    size_t separator = path.find_last_of("/\\:");
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

TdmTest::TdmTest() : audiorender(DefaultSoundDevice(), "Default DirectSound Device") {
    graph.Activate();
}

// List --------------------------------------------------------------------------------------

TCaptureDevicesList::~TCaptureDevicesList() {
    Clear();
}

void TCaptureDevicesList::Clear() {
    // Sub-builders go before their parents' filters are released.
    while (!items_.empty())
        items_.pop_back();
}

void TCaptureDevicesList::Add(std::unique_ptr<TCaptureDevice> device) {
    items_.push_back(std::move(device));
}

bool TCaptureDevicesList::BuildForFile(const std::string& path, const TBuilderEnvironment& env) {
    Clear();
    for (Factory make : candidatesFor(LowerExtension(path))) {
        std::unique_ptr<TCaptureDevice> device;
        try {
            device = make(path, env);
        } catch (...) {
            continue; // a builder that fails in any way lets the next one try
        }
        if (device && device->Recognized) {
            Add(std::move(device));
            return true;
        }
    }
    return false;
}

// Base builder --------------------------------------------------------------------------------

TCaptureDevice::TCaptureDevice(const TBuilderEnvironment& env) : env_(env) {}

TCaptureDevice::~TCaptureDevice() = default;

bool TCaptureDevice::InGraph(const TGraphComponent& graph) const {
    return FilterGraphRef == &graph && graph.Active() && graphGeneration_ == graph.Generation() &&
           OutputFilter;
}

void TCaptureDevice::EnterGraph(TGraphComponent& graph) {
    FilterGraphRef = &graph;
    graphGeneration_ = graph.Generation();
}

bool TCaptureDevice::SameGraphObject() const {
    return FilterGraphRef && FilterGraphRef->Active() &&
           graphGeneration_ == FilterGraphRef->Generation();
}

ComPtr<IPin> TCaptureDevice::FindOutputPin(ICaptureGraphBuilder2* builder, const GUID& major,
                                           bool withCategory, int index) {
    ComPtr<IPin> pin;
    if (!OutputFilter) return nullptr;
    HRESULT hr =
        builder->FindPin(OutputFilter.get(), PinDirection::Output,
                         withCategory ? &PIN_CATEGORY_CAPTURE : nullptr, &major, true, index, &pin);
    return SUCCEEDED(hr) ? pin : nullptr;
}

void TCaptureDevice::DiscoverKind(ICaptureGraphBuilder2* builder, const GUID& major) {
    for (bool withCategory : {true, false}) {
        int k = 0;
        while (FindOutputPin(builder, major, withCategory, k)) {
            ++k;
            if (major == MEDIATYPE_Video) {
                std::string name = DisplayName + (k > 1 ? " #" + std::to_string(k) : "");
                VideoSources.push_back(std::make_unique<TVideoSource>(this, k, name, IsDVDevice()));
                ++VideoCount;
            } else {
                std::string name = DisplayName + (k > 1 ? "#" + std::to_string(k) : "");
                AudioSources.push_back(std::make_unique<TAudioSource>(this, k, name, IsDVDevice()));
                ++AudioCount;
            }
        }
        if (k > 0) return;
    }
}

void TCaptureDevice::DiscoverStreams() {
    TdmTest test;
    ICaptureGraphBuilder2* builder = test.graph.CaptureBuilder();
    if (!AddToGraph(test.graph) || !OutputFilter) {
        RemoveFromGraph();
        return;
    }
    for (bool withCategory : {true, false}) {
        int k = 0;
        // Building a DV sub-builder moves this builder's filters into the sub-builder's own
        // private graph and back out, so the loop ends after the first interleaved stream.
        while (FindOutputPin(builder, MEDIATYPE_Interleaved, withCategory, k)) {
            ++k;
            ++InterleavedCount;
            SubDevices.Add(std::make_unique<TDVCaptureDevice>(this, k, env_));
        }
        if (k > 0) break;
    }
    if (InterleavedCount == 0) {
        DiscoverKind(builder, MEDIATYPE_Video);
        DiscoverKind(builder, MEDIATYPE_Audio);
        LeaveDiscoveryGraph();
    } else {
        RemoveFromGraph(); // the DV sub-builders moved the filters about: start afresh
    }
    Recognized = true;
}

// File source + splitter ----------------------------------------------------------------------

TFileSplitterDevice::TFileSplitterDevice(const std::string& path, const GUID& splitterClsid,
                                         const char* splitterName, const TBuilderEnvironment& env)
    : TCaptureDevice(env), FileSource(CLSID_AsyncReader, "File Source (Async.)"),
      Splitter(splitterClsid, splitterName) {
    FileName = path;
    DisplayName = FileNameOnly(path);
}

TFileSplitterDevice::~TFileSplitterDevice() {
    SubDevices.Clear();
    RemoveFromGraph();
}

bool TFileSplitterDevice::AddToGraph(TGraphComponent& graph) {
    if (InGraph(graph)) return true;
    if (!graph.Active()) return false;
    EnterGraph(graph);
    auto wire = [&] {
        if (!FileSource.JoinGraph(graph.Graph())) return false;
        auto loader = query<IFileSourceFilter>(FileSource.Filter());
        if (!loader || loader->Load(FileName, nullptr) != S_OK) return false;
        if (!Splitter.JoinGraph(graph.Graph())) return false;
        OutputFilter = ComPtr<IBaseFilter>(Splitter.Filter());
        auto out = PinOf(FileSource.Filter(), 0), in = PinOf(Splitter.Filter(), 0);
        return out && in && graph.Graph()->ConnectDirect(out.get(), in.get(), nullptr) == S_OK;
    };
    if (wire()) return true;
    RemoveFromGraph(); // leave nothing half-built in the graph
    return false;
}

void TFileSplitterDevice::RemoveFromGraph() {
    OutputFilter = nullptr;
    Splitter.LeaveGraph();
    FileSource.LeaveGraph();
    FilterGraphRef = nullptr;
}

void TFileSplitterDevice::LeaveDiscoveryGraph() {
    OutputFilter = nullptr;
    Splitter.SetAside();
    FileSource.LeaveGraph();
    FilterGraphRef = nullptr;
}

#define SP_SPLITTER_DEVICE(Class, clsid, name)                                                     \
    Class::Class(const std::string& path, const TBuilderEnvironment& env)                          \
        : TFileSplitterDevice(path, clsid, name, env) {                                            \
        DiscoverStreams();                                                                         \
    }
SP_SPLITTER_DEVICE(TFileAviCaptureDevice, CLSID_AviSplitter, "AVI Splitter")
SP_SPLITTER_DEVICE(TFileMpeg2PSCaptureDevice, CLSID_MPEG2Demultiplexer, "MPEG-2 Demultiplexer")
SP_SPLITTER_DEVICE(TFileMpeg1CaptureDevice, CLSID_MPEG1Splitter, "MPEG-I Stream Splitter")
SP_SPLITTER_DEVICE(TFileMpeg2SplitterCaptureDevice, CLSID_MMSPLITTER, "MPEG-2 Splitter")
#undef SP_SPLITTER_DEVICE

// Readers -------------------------------------------------------------------------------------

TFileReaderDevice::TFileReaderDevice(const std::string& path, const GUID& readerClsid,
                                     const char* readerName, const TBuilderEnvironment& env)
    : TCaptureDevice(env), Reader(readerClsid, readerName) {
    FileName = path;
    DisplayName = FileNameOnly(path);
}

TFileReaderDevice::~TFileReaderDevice() {
    SubDevices.Clear();
    RemoveFromGraph();
}

bool TFileReaderDevice::AddToGraph(TGraphComponent& graph) {
    if (InGraph(graph)) return true;
    if (!graph.Active()) return false;
    EnterGraph(graph);
    const bool loaded = Reader.HasSetAside(); // the reader kept from the discovery
    auto loader =
        Reader.JoinGraph(graph.Graph()) ? query<IFileSourceFilter>(Reader.Filter()) : nullptr;
    if (!loader || (!loaded && loader->Load(FileName, nullptr) != S_OK)) {
        RemoveFromGraph(); // leave nothing half-built in the graph
        return false;
    }
    OutputFilter = ComPtr<IBaseFilter>(Reader.Filter());
    return true;
}

void TFileReaderDevice::RemoveFromGraph() {
    OutputFilter = nullptr;
    Reader.LeaveGraph();
    FilterGraphRef = nullptr;
}

void TFileReaderDevice::LeaveDiscoveryGraph() {
    OutputFilter = nullptr;
    Reader.SetAside();
    FilterGraphRef = nullptr;
}

TFileWmvCaptureDevice::TFileWmvCaptureDevice(const std::string& path,
                                             const TBuilderEnvironment& env)
    : TFileReaderDevice(path, CLSID_WMAsfReader, "WM ASF Reader", env) {
    DiscoverStreams();
}

TFileMpeg2TSCaptureDevice::TFileMpeg2TSCaptureDevice(const std::string& path,
                                                     const TBuilderEnvironment& env)
    : TFileReaderDevice(path, CLSID_HaaliMediaSplitter, "Haali Media Splitter", env) {
    if (env.HaaliInstalled) DiscoverStreams(); // otherwise not recognised at once
}

// Idle test and collection --------------------------------------------------------------------

bool IsDeviceIdle(const TCaptureDevice* device) {
    if (!device || !device->OutputFilter) return true;
    std::vector<ComPtr<IPin>> pins;
    device->OutputFilter->EnumPins(&pins);
    for (auto& pin : pins) {
        PinDirection dir;
        MediaType mt;
        if (FAILED(pin->QueryDirection(&dir)) || dir != PinDirection::Output) continue;
        if (pin->ConnectionMediaType(&mt) != S_OK) continue;
        if (mt.majortype == MEDIATYPE_Video || mt.majortype == MEDIATYPE_Audio ||
            mt.majortype == MEDIATYPE_Interleaved || mt.majortype == MEDIATYPE_Stream)
            return false;
    }
    return true;
}

void CollectSources(const TCaptureDevice* device, TVideoSourcesList& video,
                    TAudioSourcesList& audio) {
    if (!device) return;
    for (auto& v : device->VideoSources)
        video.push_back(v.get());
    for (auto& a : device->AudioSources)
        audio.push_back(a.get());
    for (size_t i = 0; i < device->SubDevices.Count(); ++i)
        CollectSources(device->SubDevices.Item(i), video, audio);
}

} // namespace sp
