#pragma once
// The decoder lists of the Settings panel: every registered filter that turns one compressed
// media type into one uncompressed type, kept when its name holds the required words, listed
// once per moniker, never when its name contains "nero" or when it cannot be created, and named
// uniquely ("Name", "Name#2", ...). The list stays sorted by display text without regard to case.
//
// Ownership: the list owns its entries and, for test-instantiating filters, a private graph and
// filter component. The main window owns two lists (MPEG video and MPEG audio decoders).
// Controlling (user-interface) thread only.

#include "media/graph_components.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace sp {

class TMonikerClass {
public:
    TMonikerClass(mf::ComPtr<mf::Moniker> moniker, int number, std::string friendlyName)
        : Moniker(std::move(moniker)), FriendlyName(std::move(friendlyName)), Number(number) {}

    // FriendlyName, or FriendlyName + "#" + Number for the second and later of one name.
    std::string DisplayText() const;

    mf::ComPtr<mf::Moniker> Moniker;
    std::string FriendlyName;
    int Number;
};

class TMonikerStringList {
public:
    TMonikerStringList();
    ~TMonikerStringList();
    TMonikerStringList(const TMonikerStringList&) = delete;
    TMonikerStringList& operator=(const TMonikerStringList&) = delete;

    // Adds every registered filter with an input pin of `input` and an output pin of `output`
    // whose lower-cased name contains every word of `words`. With `exact` off, filters
    // registered with wildcard types match too. Failures are swallowed.
    void AddMatchingFilters(const mf::RegPinType& input, const mf::RegPinType& output,
                            const std::vector<std::string>& words, bool exact);
    // Adds one filter unless it is listed already, its name contains "nero" or it cannot be
    // created and added to a graph.
    void AddMoniker(const mf::ComPtr<mf::Moniker>& moniker);
    mf::ComPtr<mf::Moniker> GetMoniker(int index) const;
    void ClearMonikers();

    int Count() const { return int(entries_.size()); }
    std::string String(int index) const { return entries_.at(size_t(index))->DisplayText(); }
    // Index of the entry whose display text equals `text` without regard to letter case (A..Z),
    // or -1.
    int IndexOf(std::string_view text) const;
    std::vector<std::string> Strings() const;

private:
    bool Usable(const mf::ComPtr<mf::Moniker>& moniker);
    int NextNumber(const std::string& name) const;

    std::vector<std::unique_ptr<TMonikerClass>> entries_; // sorted by display text
    TGraphComponent testGraph_;
    TFilterComponent testFilter_;
};

// The "FriendlyName" of a moniker, empty when it cannot be read.
std::string ReadFriendlyName(const mf::Moniker* moniker);

} // namespace sp
