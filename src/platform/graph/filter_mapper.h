#pragma once
// The filter mapper: the process-wide register of filter factories (class id, friendly name,
// merit, category, pin media types, and for source filters the extensions or content they
// claim), with EnumMatchingFilters, creation by class id, and monikers.
//
// Registration is thread-safe; factories run on the caller's thread. Tests register their own
// filters with ScopedFilterRegistration so the register is left as they found it.

#include "platform/graph/guids.h"
#include "platform/graph/interfaces.h"

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace mf {

inline constexpr uint32_t MERIT_PREFERRED = 0x800000;
inline constexpr uint32_t MERIT_NORMAL = 0x600000;
inline constexpr uint32_t MERIT_UNLIKELY = 0x400000;
inline constexpr uint32_t MERIT_DO_NOT_USE = 0x200000;
inline constexpr uint32_t MERIT_SW_COMPRESSOR = 0x100000;

struct RegPinType {
    GUID major;
    GUID minor;
};

struct RegPin {
    PinDirection dir = PinDirection::Input;
    bool rendered = false; // an input pin whose stream ends here (renderers)
    std::vector<RegPinType> types;
};

struct FilterRegistration {
    GUID clsid;
    std::string friendlyName;
    uint32_t merit = MERIT_NORMAL;
    GUID category = CLSID_LegacyAmFilterCategory;
    std::vector<RegPin> pins;
    std::function<ComPtr<IBaseFilter>()> create;
    // Source filters (those offering IFileSourceFilter): lower-case extensions with the dot,
    // and a test of the file's first bytes.
    std::vector<std::string> extensions;
    std::function<bool(std::span<const uint8_t> head)> sniff;
    // A test of the whole file by its path, for a source that reads every file its library
    // can open. Asked only when no source claims the file by extension or by its first bytes.
    std::function<bool(std::string_view path)> claimsFile;
};

// A registered filter, named by class id within a category, with a "FriendlyName" property.
class Moniker final : public virtual Unknown {
public:
    explicit Moniker(FilterRegistration registration);
    HRESULT BindToObject(ComPtr<IBaseFilter>* filter) const;
    // "FriendlyName" and "CLSID" (text form); E_INVALIDARG for other names.
    HRESULT ReadProperty(std::string_view name, std::string* value) const;
    bool IsEqual(const Moniker& other) const;
    const GUID& clsid() const { return reg_.clsid; }
    const GUID& category() const { return reg_.category; }
    const std::string& friendlyName() const { return reg_.friendlyName; }
    uint32_t merit() const { return reg_.merit; }

private:
    FilterRegistration reg_;
};

struct FilterQuery {
    bool exactMatch = false; // false: GUID_NULL on either side matches anything
    uint32_t minMerit = MERIT_DO_NOT_USE + 1;
    bool inputNeeded = false;
    std::vector<RegPinType> inputTypes;
    bool render = false; // the matching input pin must be a rendered one
    bool outputNeeded = false;
    std::vector<RegPinType> outputTypes;
};

class FilterMapper {
public:
    static FilterMapper& instance();

    // Replaces an earlier registration of the same class id in the same category.
    void RegisterFilter(FilterRegistration registration);
    bool UnregisterFilter(const GUID& category, const GUID& clsid);

    // Filters of the legacy and audio renderer categories matching the query, by merit.
    HRESULT EnumMatchingFilters(const FilterQuery& query, std::vector<ComPtr<Moniker>>* monikers);
    // Every filter of one category (a device enumerator), in registration order.
    std::vector<ComPtr<Moniker>> EnumCategory(const GUID& category);
    // REGDB_E_CLASSNOTREG when no factory is registered for the class id.
    HRESULT CreateFilter(const GUID& clsid, ComPtr<IBaseFilter>* filter);
    bool IsRegistered(const GUID& clsid);

    // Graph support: filters whose input takes one of `types`, by merit; and the source
    // filter that claims a file by extension or first bytes, else by reading the file at
    // `path` (claimsFile), each by merit.
    std::vector<FilterRegistration> CandidatesForInput(std::span<const MediaType> types,
                                                       uint32_t minMerit);
    std::optional<FilterRegistration> SourceForFile(std::string_view extension,
                                                    std::span<const uint8_t> head,
                                                    std::string_view path = {});

private:
    std::vector<FilterRegistration> snapshotByMerit();

    std::mutex mutex_;
    std::vector<FilterRegistration> registrations_; // guarded by mutex_, registration order
};

// Registers a filter for the lifetime of this object (tests).
class ScopedFilterRegistration {
public:
    explicit ScopedFilterRegistration(FilterRegistration registration);
    ~ScopedFilterRegistration();
    ScopedFilterRegistration(const ScopedFilterRegistration&) = delete;
    ScopedFilterRegistration& operator=(const ScopedFilterRegistration&) = delete;

private:
    GUID category_, clsid_;
};

} // namespace mf
