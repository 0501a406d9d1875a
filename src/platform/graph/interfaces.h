#pragma once
// The interfaces of the media framework, modelled on the documented DirectShow ones: same
// operation names, same result codes, same call order. Objects are reference counted (com.h);
// interface discovery is query<T>().
//
// Threads: operations on filters, pins and the graph that change state or connections are called
// from one controlling thread (the user-interface thread). Receive, EndOfStream, NewSegment and
// the flush calls travel downstream on the streaming threads of sources and splitters.

#include "platform/graph/com.h"
#include "platform/graph/hresult.h"
#include "platform/graph/mediatype.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mf {

class IBaseFilter;
class IFilterGraph;
class IMemAllocator;

enum class PinDirection { Input = 0, Output = 1 };
enum class FilterState { Stopped = 0, Paused = 1, Running = 2 };

inline constexpr uint32_t INFINITE_WAIT = 0xFFFFFFFF;

// Sample and allocator ------------------------------------------------------------------------

inline constexpr HRESULT VFW_E_SAMPLE_TIME_NOT_SET = HRESULT(0x80040249);
inline constexpr HRESULT VFW_S_NO_STOP_TIME = 0x00040270;

struct AllocatorProperties {
    long cBuffers = 0;
    long cbBuffer = 0;
    long cbAlign = 0;
    long cbPrefix = 0;
};

class IMediaSample : public virtual Unknown {
public:
    virtual uint8_t* GetPointer() = 0;
    virtual long GetSize() = 0;
    // S_OK with both times, VFW_S_NO_STOP_TIME with start only, VFW_E_SAMPLE_TIME_NOT_SET.
    virtual HRESULT GetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) = 0;
    // Null start clears the times; null stop sets the start alone.
    virtual HRESULT SetTime(const REFERENCE_TIME* start, const REFERENCE_TIME* stop) = 0;
    virtual HRESULT IsSyncPoint() = 0; // S_OK or S_FALSE, likewise below
    virtual HRESULT SetSyncPoint(bool on) = 0;
    virtual HRESULT IsPreroll() = 0;
    virtual HRESULT SetPreroll(bool on) = 0;
    virtual HRESULT IsDiscontinuity() = 0;
    virtual HRESULT SetDiscontinuity(bool on) = 0;
    virtual long GetActualDataLength() = 0;
    virtual HRESULT SetActualDataLength(long length) = 0;
    // S_OK and a copy when a new media type is attached, S_FALSE when none.
    virtual HRESULT GetMediaType(MediaType* type) = 0;
    virtual HRESULT SetMediaType(const MediaType* type) = 0; // null detaches
};

// Extended sample properties (AM_SAMPLE2_PROPERTIES without the pointers).
struct SampleProperties {
    uint32_t dwTypeSpecificFlags = 0; // field and interlace flags for video
    uint32_t dwSampleFlags = 0;
    long lActual = 0;
    REFERENCE_TIME tStart = 0;
    REFERENCE_TIME tStop = 0;
    uint32_t dwStreamId = 0;
};
inline constexpr uint32_t AM_SAMPLE_SPLICEPOINT = 0x1;
inline constexpr uint32_t AM_SAMPLE_PREROLL = 0x2;
inline constexpr uint32_t AM_SAMPLE_DATADISCONTINUITY = 0x4;
inline constexpr uint32_t AM_SAMPLE_TIMEVALID = 0x10;
inline constexpr uint32_t AM_SAMPLE_STOPVALID = 0x100;

class IMediaSample2 : public IMediaSample {
public:
    virtual HRESULT GetProperties(SampleProperties* props) = 0;
    virtual HRESULT SetProperties(const SampleProperties& props) = 0;
};

class IMemAllocator : public virtual Unknown {
public:
    virtual HRESULT SetProperties(const AllocatorProperties& request,
                                  AllocatorProperties* actual) = 0;
    virtual HRESULT GetProperties(AllocatorProperties* props) = 0;
    virtual HRESULT Commit() = 0;
    // Releases waiting GetBuffer calls with VFW_E_NOT_COMMITTED.
    virtual HRESULT Decommit() = 0;
    // Blocks until a buffer is free, unless decommitted.
    virtual HRESULT GetBuffer(ComPtr<IMediaSample>* sample) = 0;
};

// Pins ----------------------------------------------------------------------------------------

struct PinInfo {
    IBaseFilter* filter = nullptr; // not owning: a pin lives exactly as long as its filter
    std::string name;
    PinDirection dir = PinDirection::Input;
};

class IPin : public virtual Unknown {
public:
    // Output pins only: connect to `receiver`, with the given type or by negotiation.
    virtual HRESULT Connect(IPin* receiver, const MediaType* type) = 0;
    virtual HRESULT ReceiveConnection(IPin* connector, const MediaType& type) = 0;
    virtual HRESULT Disconnect() = 0; // S_FALSE when not connected
    virtual HRESULT ConnectedTo(ComPtr<IPin>* pin) = 0;
    virtual HRESULT ConnectionMediaType(MediaType* type) = 0;
    virtual HRESULT QueryPinInfo(PinInfo* info) = 0;
    virtual HRESULT QueryDirection(PinDirection* dir) = 0;
    virtual HRESULT QueryId(std::string* id) = 0;
    virtual HRESULT QueryAccept(const MediaType& type) = 0;
    virtual HRESULT EnumMediaTypes(std::vector<MediaType>* types) = 0;
    virtual HRESULT EndOfStream() = 0;
    virtual HRESULT BeginFlush() = 0;
    virtual HRESULT EndFlush() = 0;
    virtual HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) = 0;
    // Pin category (PIN_CATEGORY_CAPTURE ...); E_NOTIMPL when the pin has none.
    virtual HRESULT QueryCategory(GUID* category) = 0;
};

class IMemInputPin : public virtual Unknown {
public:
    virtual HRESULT GetAllocator(ComPtr<IMemAllocator>* allocator) = 0;
    virtual HRESULT NotifyAllocator(IMemAllocator* allocator, bool readOnly) = 0;
    virtual HRESULT GetAllocatorRequirements(AllocatorProperties* props) = 0;
    virtual HRESULT Receive(IMediaSample* sample) = 0; // streaming thread
    virtual HRESULT ReceiveCanBlock() = 0;
};

// Filters -------------------------------------------------------------------------------------

class IReferenceClock : public virtual Unknown {
public:
    virtual HRESULT GetTime(REFERENCE_TIME* time) = 0;
};

class IMediaFilter : public virtual Unknown {
public:
    virtual HRESULT Stop() = 0;
    virtual HRESULT Pause() = 0;
    virtual HRESULT Run(REFERENCE_TIME tStart) = 0;
    // S_OK, VFW_S_STATE_INTERMEDIATE while a transition is pending after timeoutMs,
    // VFW_S_CANT_CUE when paused but unable to deliver data (live sources).
    virtual HRESULT GetState(uint32_t timeoutMs, FilterState* state) = 0;
    virtual HRESULT SetSyncSource(IReferenceClock* clock) = 0;
    virtual HRESULT GetSyncSource(ComPtr<IReferenceClock>* clock) = 0;
};

struct FilterInfo {
    std::string name;
    IFilterGraph* graph = nullptr; // not owning: the graph owns its filters
};

class IBaseFilter : public IMediaFilter {
public:
    virtual HRESULT EnumPins(std::vector<ComPtr<IPin>>* pins) = 0;
    virtual HRESULT FindPin(std::string_view id, ComPtr<IPin>* pin) = 0;
    virtual HRESULT QueryFilterInfo(FilterInfo* info) = 0;
    virtual HRESULT JoinFilterGraph(IFilterGraph* graph, std::string_view name) = 0;
    virtual HRESULT GetClassID(GUID* clsid) = 0;
};

inline constexpr uint32_t AM_FILTER_MISC_FLAGS_IS_RENDERER = 0x1;
inline constexpr uint32_t AM_FILTER_MISC_FLAGS_IS_SOURCE = 0x2;
class IAMFilterMiscFlags : public virtual Unknown {
public:
    virtual uint32_t GetMiscFlags() = 0;
};

class IFileSourceFilter : public virtual Unknown {
public:
    virtual HRESULT Load(std::string_view path, const MediaType* type) = 0;
    virtual HRESULT GetCurFile(std::string* path, MediaType* type) = 0;
};

// Random-access reads offered by a stream output pin (File Source (Async.)).
class IAsyncReader : public virtual Unknown {
public:
    // Reads exactly `length` bytes at `position`; S_FALSE when fewer were available.
    virtual HRESULT SyncRead(int64_t position, long length, uint8_t* buffer) = 0;
    virtual HRESULT Length(int64_t* total, int64_t* available) = 0;
};

// Seeking -------------------------------------------------------------------------------------

inline constexpr uint32_t AM_SEEKING_NoPositioning = 0;
inline constexpr uint32_t AM_SEEKING_AbsolutePositioning = 1;
inline constexpr uint32_t AM_SEEKING_RelativePositioning = 2;
inline constexpr uint32_t AM_SEEKING_PositioningBitsMask = 3;

class IMediaSeeking : public virtual Unknown {
public:
    virtual HRESULT GetDuration(REFERENCE_TIME* duration) = 0;
    virtual HRESULT GetCurrentPosition(REFERENCE_TIME* position) = 0;
    virtual HRESULT GetStopPosition(REFERENCE_TIME* stop) = 0;
    virtual HRESULT SetPositions(REFERENCE_TIME* current, uint32_t currentFlags,
                                 REFERENCE_TIME* stop, uint32_t stopFlags) = 0;
};

// Graph ---------------------------------------------------------------------------------------

inline constexpr long EC_COMPLETE = 0x01;
inline constexpr long EC_USERABORT = 0x02;
inline constexpr long EC_ERRORABORT = 0x03;

// Filters report events to the graph they joined through this interface (any thread).
class IMediaEventSink : public virtual Unknown {
public:
    virtual HRESULT Notify(long code, intptr_t param1, intptr_t param2) = 0;
};

class IMediaEvent : public virtual Unknown {
public:
    // Takes the oldest queued event; E_ABORT when none arrives within timeoutMs.
    virtual HRESULT GetEvent(long* code, intptr_t* param1, intptr_t* param2,
                             uint32_t timeoutMs) = 0;
    // Called on the thread that queued an event (usually a streaming thread) after queuing it;
    // the owner marshals to its own thread. Empty clears it.
    virtual void SetNotify(std::function<void()> onEvent) = 0;
};

class IFilterGraph : public virtual Unknown {
public:
    // Unique names: a taken name gets a number appended and VFW_S_DUPLICATE_NAME.
    virtual HRESULT AddFilter(IBaseFilter* filter, std::string_view name) = 0;
    // Disconnects the filter's pins first; the filter must be stopped with the graph.
    virtual HRESULT RemoveFilter(IBaseFilter* filter) = 0;
    virtual HRESULT EnumFilters(std::vector<ComPtr<IBaseFilter>>* filters) = 0;
    virtual HRESULT FindFilterByName(std::string_view name, ComPtr<IBaseFilter>* filter) = 0;
    virtual HRESULT ConnectDirect(IPin* out, IPin* in, const MediaType* type) = 0;
    // Breaks the pin's connection and connects it again to the same peer (negotiating anew).
    virtual HRESULT Reconnect(IPin* pin) = 0;
    virtual HRESULT Disconnect(IPin* pin) = 0;
    virtual HRESULT SetDefaultSyncSource() = 0;
};

class IGraphBuilder : public IFilterGraph {
public:
    // Intelligent connection: direct, then through filters in the graph, then registered ones.
    virtual HRESULT Connect(IPin* out, IPin* in) = 0;
    virtual HRESULT Render(IPin* out) = 0;
    // S_OK when every stream reached a renderer, VFW_S_PARTIAL_RENDER when some did.
    virtual HRESULT RenderFile(std::string_view path) = 0;
    virtual HRESULT AddSourceFilter(std::string_view path, std::string_view name,
                                    ComPtr<IBaseFilter>* filter) = 0;
};

class IMediaControl : public virtual Unknown {
public:
    virtual HRESULT Run() = 0;
    virtual HRESULT Pause() = 0;
    virtual HRESULT Stop() = 0;
    virtual HRESULT GetState(uint32_t timeoutMs, FilterState* state) = 0;
};

class IBasicAudio : public virtual Unknown {
public:
    virtual HRESULT put_Volume(long volume) = 0; // hundredths of a dB, -10000..0
    virtual HRESULT get_Volume(long* volume) = 0;
};

// What becomes of a decoded picture downstream: looked at and possibly come back to (a step
// back onto it), looked at once while the stream runs past, or not looked at at all.
enum class PictureUse { Browsed, Passing, Unseen };

// When a picture is judged: from its compressed sample, before decoding (a decoder may then
// leave out a picture no other refers to), or decoded, before converting it.
enum class PictureStage { Coming, Decoded };

// Which decoded pictures anyone will look at, for a decoder whose conversion into the output
// type costs: before converting a picture it asks the judge with the picture's sample times
// (start, stop). An unseen picture goes out as a timed sample without data (actual length 0;
// renderers and the bitmap filter skip such samples); only browsed pictures are worth keeping
// for steps back. A decoder may also ask before decoding a sample (PictureStage::Coming, with
// the sample's times when they are presentation times): unseen then means that no decoded
// picture with those times is needed, so one that no other picture refers to need not be
// decoded at all. That question has no side effects; the one about the decoded picture may
// count it (as a preview, say). An empty judge browses every picture. The judge runs on the
// decoder's streaming thread and must be cheap and safe to call there.
class IPictureDemand : public virtual Unknown {
public:
    using Judge =
        std::function<PictureUse(REFERENCE_TIME start, REFERENCE_TIME stop, PictureStage stage)>;
    virtual HRESULT SetPictureDemand(Judge judge) = 0;
    // Whether anyone may step back onto the pictures (on by default). Off, as for a job that
    // grabs and ends the program, a decoder keeps no pictures for steps back and decodes no
    // more pictures before a seek's target than finding the target needs. Controlling thread.
    virtual HRESULT SetStepsBack(bool /*possible*/) { return E_NOTIMPL; }
};

// Where the frames of a video stream lie, for a splitter that reads their presentation times:
// frame steps go to the neighbouring frame that exists, also where frames come at a variable
// rate. Answers only what the times read so far tell for sure. Any thread.
class IFrameTimes : public virtual Unknown {
public:
    // The start of the frame on screen at t (the last starting at or before it, allowing the
    // 20 us of rounded sample times); S_FALSE when not known.
    virtual HRESULT FrameAt(REFERENCE_TIME t, REFERENCE_TIME* start) = 0;
    // The start of the frame after (or before) the one on screen at t; S_FALSE when not known,
    // or when there is none.
    virtual HRESULT NeighbourFrame(REFERENCE_TIME t, bool forward, REFERENCE_TIME* start) = 0;
    // The frame duration timecodes count in: the stream's base rate's when its frames come at
    // a variable rate (so that each frame's timecode names it), else 0 (its average duration).
    virtual REFERENCE_TIME TimecodeFrameDuration() = 0;
};

// The descriptive tags a container carries for the file and its first video stream
// (libavformat's names: "creation_time", "location", "com.apple.quicktime.creationdate",
// Matroska's "DATE_RECORDED" ...), for a splitter that reads them. The file's tag wins over the
// stream's of the same name. Any thread.
class IContainerTags : public virtual Unknown {
public:
    // S_FALSE, leaving `value` empty, when the file names no such tag.
    virtual HRESULT GetTag(std::string_view name, std::string* value) = 0;
};

// Where the preview renderer shows its pictures (a widget in the application, nothing headless).
class IPresentationSurface {
public:
    virtual ~IPresentationSurface() = default;
    // Called on the streaming thread with the visible part of one BGRA picture, top row first.
    virtual void present(const uint8_t* pixels, int width, int height, int strideBytes) = 0;
};

class IVideoWindow : public virtual Unknown {
public:
    virtual HRESULT put_Owner(IPresentationSurface* surface) = 0; // not owning
    virtual HRESULT put_Visible(bool visible) = 0;
    virtual HRESULT get_Visible(bool* visible) = 0;
    virtual HRESULT SetWindowPosition(long left, long top, long width, long height) = 0;
    virtual HRESULT GetWindowPosition(long* left, long* top, long* width, long* height) = 0;
};

// Capture graph builder -----------------------------------------------------------------------

class ICaptureGraphBuilder2 : public virtual Unknown {
public:
    virtual HRESULT SetFiltergraph(IGraphBuilder* graph) = 0;
    virtual HRESULT GetFiltergraph(ComPtr<IGraphBuilder>* graph) = 0;
    // source: an output pin or a filter. Renders through `intermediate` (when given) into
    // `sink` (when given) or into whatever renderer the graph finds.
    virtual HRESULT RenderStream(const GUID* category, const GUID* type, Unknown* source,
                                 IBaseFilter* intermediate, IBaseFilter* sink) = 0;
    virtual HRESULT FindPin(Unknown* source, PinDirection dir, const GUID* category,
                            const GUID* type, bool unconnected, int index, ComPtr<IPin>* pin) = 0;
};

} // namespace mf
