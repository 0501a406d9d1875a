#pragma once
// Source graph builders: each knows one way of reading a file (which filters, how to load the
// file, how to wire them) up to the pins where elementary streams appear. At construction a
// builder discovers its streams in a private graph; later the media system asks it to put its
// filters into the playback graph (AddToGraph) and takes the streams from OutputFilter.
//
// Ownership: a builder owns its sources and its DV sub-builders; TCaptureDevicesList owns its
// builders. Controlling thread only. Failures never throw out of construction: an unusable
// file leaves `Recognized` false.

#include "media/graph_components.h"
#include "media/sources.h"

#include <memory>
#include <string>
#include <vector>

namespace sp {

class TNotifier;

// What the builders need from the program around them.
struct TBuilderEnvironment {
    bool HaaliInstalled = false; // the general media splitter could be created at start-up
    // The preview renderer the generic builder renders into (the main window's).
    TFilterComponent* PreviewRenderer = nullptr;
    // The shared test module's audio renderer, lent to the generic builder.
    TFilterComponent* SharedAudioRender = nullptr;
};

// A private graph with an audio renderer ("Default DirectSound Device").
class TdmTest {
public:
    TdmTest();
    TGraphComponent graph;
    TFilterComponent audiorender;
};

class TCaptureDevice;

class TCaptureDevicesList {
public:
    TCaptureDevicesList() = default;
    TCaptureDevicesList(const TCaptureDevicesList&) = delete;
    TCaptureDevicesList& operator=(const TCaptureDevicesList&) = delete;
    ~TCaptureDevicesList();

    // Frees every builder, then tries the candidates for the path's extension in order;
    // true with exactly one builder in the list when one recognised the file.
    bool BuildForFile(const std::string& path, const TBuilderEnvironment& env);
    void Add(std::unique_ptr<TCaptureDevice> device);
    void Clear();
    size_t Count() const { return items_.size(); }
    TCaptureDevice* Item(size_t i) const { return items_[i].get(); }

private:
    std::vector<std::unique_ptr<TCaptureDevice>> items_;
};

// Builders that own filters free their sub-builders first, while they can still answer them.
class TCaptureDevice {
public:
    explicit TCaptureDevice(const TBuilderEnvironment& env);
    virtual ~TCaptureDevice();
    TCaptureDevice(const TCaptureDevice&) = delete;
    TCaptureDevice& operator=(const TCaptureDevice&) = delete;

    virtual bool AddToGraph(TGraphComponent& graph) = 0;
    virtual void RemoveFromGraph() = 0;
    virtual bool IsDVDevice() const { return false; }

    std::string FileName;
    std::string DisplayName;
    int StreamNumber = 1;
    TGraphComponent* FilterGraphRef = nullptr;
    mf::ComPtr<mf::IBaseFilter> OutputFilter;
    TCaptureDevicesList SubDevices;
    std::vector<std::unique_ptr<TVideoSource>> VideoSources;
    std::vector<std::unique_ptr<TAudioSource>> AudioSources;
    int InterleavedCount = 0, VideoCount = 0, AudioCount = 0;
    bool Recognized = false;

protected:
    // Finds the streams in a private graph; sets Recognized.
    void DiscoverStreams();
    // Takes the device out of the private graph once its streams are known. A device whose
    // filter reads the file itself keeps that filter for its next AddToGraph, which saves
    // opening and probing the file a second time.
    virtual void LeaveDiscoveryGraph() { RemoveFromGraph(); }
    // True when the builder's filters are in the graph object `graph` holds now: a graph
    // replaced since (ResetGraph) does not count, whatever its component.
    bool InGraph(const TGraphComponent& graph) const;
    // Records `graph` as the one the builder's filters go into: FilterGraphRef and the graph
    // object's generation.
    void EnterGraph(TGraphComponent& graph);
    // The recorded graph object is still the one its component holds.
    bool SameGraphObject() const;
    const TBuilderEnvironment& env_;

private:
    mf::ComPtr<mf::IPin> FindOutputPin(mf::ICaptureGraphBuilder2* builder, const mf::GUID& major,
                                       bool withCategory, int index);
    void DiscoverKind(mf::ICaptureGraphBuilder2* builder, const mf::GUID& major);
    uint64_t graphGeneration_ = 0; // of the graph object FilterGraphRef held at EnterGraph
};

// File Source (Async.) followed by a splitter or demultiplexer.
class TFileSplitterDevice : public TCaptureDevice {
public:
    TFileSplitterDevice(const std::string& path, const mf::GUID& splitterClsid,
                        const char* splitterName, const TBuilderEnvironment& env);
    ~TFileSplitterDevice() override;
    bool AddToGraph(TGraphComponent& graph) override;
    void RemoveFromGraph() override;

protected:
    // The splitter is kept: connected again to a source of the same file, it goes on with the
    // demultiplexer it opened rather than probing the file again.
    void LeaveDiscoveryGraph() override;
    TFilterComponent FileSource;
    TFilterComponent Splitter;
};

class TFileAviCaptureDevice final : public TFileSplitterDevice {
public:
    TFileAviCaptureDevice(const std::string& path, const TBuilderEnvironment& env);
};
class TFileMpeg2PSCaptureDevice final : public TFileSplitterDevice {
public:
    TFileMpeg2PSCaptureDevice(const std::string& path, const TBuilderEnvironment& env);
};
class TFileMpeg1CaptureDevice final : public TFileSplitterDevice {
public:
    TFileMpeg1CaptureDevice(const std::string& path, const TBuilderEnvironment& env);
};
class TFileMpeg2SplitterCaptureDevice final : public TFileSplitterDevice {
public:
    TFileMpeg2SplitterCaptureDevice(const std::string& path, const TBuilderEnvironment& env);
};

// A reader that loads the file itself (WM ASF Reader, the general media splitter).
class TFileReaderDevice : public TCaptureDevice {
public:
    TFileReaderDevice(const std::string& path, const mf::GUID& readerClsid, const char* readerName,
                      const TBuilderEnvironment& env);
    ~TFileReaderDevice() override;
    bool AddToGraph(TGraphComponent& graph) override;
    void RemoveFromGraph() override;

protected:
    void LeaveDiscoveryGraph() override;
    TFilterComponent Reader;
};

class TFileWmvCaptureDevice final : public TFileReaderDevice {
public:
    TFileWmvCaptureDevice(const std::string& path, const TBuilderEnvironment& env);
};
class TFileMpeg2TSCaptureDevice final : public TFileReaderDevice {
public:
    TFileMpeg2TSCaptureDevice(const std::string& path, const TBuilderEnvironment& env);
};

// The platform renders the file; the splitter it chose is the output filter.
class TFileUnknownCaptureDevice final : public TCaptureDevice {
public:
    TFileUnknownCaptureDevice(const std::string& path, const TBuilderEnvironment& env);
    ~TFileUnknownCaptureDevice() override;
    bool AddToGraph(TGraphComponent& graph) override;
    void RemoveFromGraph() override;

private:
    void KeepOnlySourceAndSplitter(mf::FilterGraph* graph);
};

// One interleaved DV stream of a parent builder, split by the DV Splitter behind its own
// notifier ("DV Notifier"), which sees whole DV frames.
class TDVCaptureDevice final : public TCaptureDevice {
public:
    TDVCaptureDevice(TCaptureDevice* parent, int n, const TBuilderEnvironment& env);
    ~TDVCaptureDevice() override;
    bool AddToGraph(TGraphComponent& graph) override;
    void RemoveFromGraph() override;
    bool IsDVDevice() const override { return true; }

    TCaptureDevice* Parent;
    mf::ComPtr<mf::IPin> InterleavedPin;
    TNotifier* DVNotifier() const { return notifier_.get(); }

private:
    mf::ComPtr<TNotifier> notifier_;
    TFilterComponent DVsplitter;
};

// Busy while an output pin of its output filter is connected with a media stream.
bool IsDeviceIdle(const TCaptureDevice* device);
// Appends the builder's video streams, then its audio streams, then recurses into sub-builders.
void CollectSources(const TCaptureDevice* device, TVideoSourcesList& video,
                    TAudioSourcesList& audio);
// The lower-cased extension with its dot ("" when none), after the last "/", "\" or ":".
std::string LowerExtension(const std::string& path);
// The class name of a builder ("TFileAviCaptureDevice" ...), "" for none.
const char* BuilderClassName(const TCaptureDevice* device);
// The file name without its folder.
std::string FileNameOnly(const std::string& path);

} // namespace sp
