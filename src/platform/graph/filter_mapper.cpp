#include "platform/graph/filter_mapper.h"

#include <algorithm>

namespace mf {

namespace {

bool guidMatches(const GUID& wanted, const GUID& registered, bool exact) {
    if (exact) return wanted == registered;
    return wanted.isNull() || registered.isNull() || wanted == registered;
}

bool pinMatches(const RegPin& pin, std::span<const RegPinType> wanted, bool exact) {
    if (wanted.empty()) return true;
    for (const RegPinType& have : pin.types)
        for (const RegPinType& want : wanted)
            if (guidMatches(want.major, have.major, exact) &&
                guidMatches(want.minor, have.minor, exact))
                return true;
    return false;
}

bool hasPin(const FilterRegistration& reg, PinDirection dir, std::span<const RegPinType> types,
            bool exact, bool mustRender) {
    return std::any_of(reg.pins.begin(), reg.pins.end(), [&](const RegPin& pin) {
        return pin.dir == dir && (!mustRender || pin.rendered) && pinMatches(pin, types, exact);
    });
}

} // namespace

Moniker::Moniker(FilterRegistration registration) : reg_(std::move(registration)) {}

HRESULT Moniker::BindToObject(ComPtr<IBaseFilter>* filter) const {
    if (!filter) return E_POINTER;
    *filter = reg_.create ? reg_.create() : nullptr;
    return *filter ? S_OK : E_FAIL;
}

HRESULT Moniker::ReadProperty(std::string_view name, std::string* value) const {
    if (!value) return E_POINTER;
    if (name == "FriendlyName") {
        *value = reg_.friendlyName;
        return S_OK;
    }
    if (name == "CLSID") {
        *value = reg_.clsid.toString();
        return S_OK;
    }
    return E_INVALIDARG;
}

bool Moniker::IsEqual(const Moniker& other) const {
    return reg_.clsid == other.reg_.clsid && reg_.category == other.reg_.category;
}

FilterMapper& FilterMapper::instance() {
    static FilterMapper mapper;
    return mapper;
}

void FilterMapper::RegisterFilter(FilterRegistration registration) {
    std::lock_guard lock(mutex_);
    auto same = [&](const FilterRegistration& r) {
        return r.clsid == registration.clsid && r.category == registration.category;
    };
    auto it = std::find_if(registrations_.begin(), registrations_.end(), same);
    if (it != registrations_.end())
        *it = std::move(registration);
    else
        registrations_.push_back(std::move(registration));
}

bool FilterMapper::UnregisterFilter(const GUID& category, const GUID& clsid) {
    std::lock_guard lock(mutex_);
    auto before = registrations_.size();
    std::erase_if(registrations_, [&](const FilterRegistration& r) {
        return r.clsid == clsid && r.category == category;
    });
    return registrations_.size() != before;
}

std::vector<FilterRegistration> FilterMapper::snapshotByMerit() {
    std::vector<FilterRegistration> all;
    {
        std::lock_guard lock(mutex_);
        all = registrations_;
    }
    std::stable_sort(all.begin(), all.end(),
                     [](const auto& a, const auto& b) { return a.merit > b.merit; });
    return all;
}

HRESULT FilterMapper::EnumMatchingFilters(const FilterQuery& q,
                                          std::vector<ComPtr<Moniker>>* monikers) {
    if (!monikers) return E_POINTER;
    monikers->clear();
    for (FilterRegistration& reg : snapshotByMerit()) {
        if (reg.merit < q.minMerit) continue;
        if (q.inputNeeded &&
            !hasPin(reg, PinDirection::Input, q.inputTypes, q.exactMatch, q.render))
            continue;
        if (q.outputNeeded &&
            !hasPin(reg, PinDirection::Output, q.outputTypes, q.exactMatch, false))
            continue;
        monikers->push_back(make<Moniker>(std::move(reg)));
    }
    return S_OK;
}

std::vector<ComPtr<Moniker>> FilterMapper::EnumCategory(const GUID& category) {
    std::lock_guard lock(mutex_);
    std::vector<ComPtr<Moniker>> result;
    for (const FilterRegistration& reg : registrations_)
        if (reg.category == category) result.push_back(make<Moniker>(reg));
    return result;
}

HRESULT FilterMapper::CreateFilter(const GUID& clsid, ComPtr<IBaseFilter>* filter) {
    if (!filter) return E_POINTER;
    std::function<ComPtr<IBaseFilter>()> factory;
    {
        std::lock_guard lock(mutex_);
        for (const FilterRegistration& reg : registrations_)
            if (reg.clsid == clsid && reg.create) {
                factory = reg.create;
                break;
            }
    }
    if (!factory) {
        *filter = nullptr;
        return REGDB_E_CLASSNOTREG;
    }
    *filter = factory();
    return *filter ? S_OK : E_FAIL;
}

bool FilterMapper::IsRegistered(const GUID& clsid) {
    std::lock_guard lock(mutex_);
    return std::any_of(registrations_.begin(), registrations_.end(),
                       [&](const FilterRegistration& r) { return r.clsid == clsid; });
}

std::vector<FilterRegistration> FilterMapper::CandidatesForInput(std::span<const MediaType> types,
                                                                 uint32_t minMerit) {
    std::vector<RegPinType> wanted;
    for (const MediaType& mt : types)
        wanted.push_back({mt.majortype, mt.subtype});
    std::vector<FilterRegistration> result;
    if (wanted.empty()) return result;
    for (FilterRegistration& reg : snapshotByMerit()) {
        if (reg.merit < minMerit || !reg.create) continue;
        if (hasPin(reg, PinDirection::Input, wanted, false, false))
            result.push_back(std::move(reg));
    }
    return result;
}

std::optional<FilterRegistration> FilterMapper::SourceForFile(std::string_view extension,
                                                              std::span<const uint8_t> head,
                                                              std::string_view path) {
    std::vector<FilterRegistration> sources = snapshotByMerit();
    for (FilterRegistration& reg : sources) {
        if (!reg.create) continue;
        bool byExtension = !extension.empty() &&
                           std::find(reg.extensions.begin(), reg.extensions.end(), extension) !=
                               reg.extensions.end();
        bool byContent = reg.sniff && !head.empty() && reg.sniff(head);
        if (byExtension || byContent) return std::move(reg);
    }
    if (path.empty()) return std::nullopt;
    for (FilterRegistration& reg : sources)
        if (reg.create && reg.claimsFile && reg.claimsFile(path)) return std::move(reg);
    return std::nullopt;
}

ScopedFilterRegistration::ScopedFilterRegistration(FilterRegistration registration)
    : category_(registration.category), clsid_(registration.clsid) {
    FilterMapper::instance().RegisterFilter(std::move(registration));
}

ScopedFilterRegistration::~ScopedFilterRegistration() {
    FilterMapper::instance().UnregisterFilter(category_, clsid_);
}

} // namespace mf
