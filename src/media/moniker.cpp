#include "media/moniker.h"

#include <algorithm>
#include <exception>

namespace sp {

using namespace mf;

namespace {

// Lower-cases A..Z only, as the registry's names are compared.
std::string LowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return out;
}

bool LessNoCase(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        auto lx = (x >= 'A' && x <= 'Z') ? char(x - 'A' + 'a') : x;
        auto ly = (y >= 'A' && y <= 'Z') ? char(y - 'A' + 'a') : y;
        return lx < ly;
    });
}

} // namespace

std::string TMonikerClass::DisplayText() const {
    if (Number <= 1) return FriendlyName;
    return FriendlyName + "#" + std::to_string(Number);
}

std::string ReadFriendlyName(const Moniker* moniker) {
    std::string name;
    if (!moniker || FAILED(moniker->ReadProperty("FriendlyName", &name))) return {};
    return name;
}

TMonikerStringList::TMonikerStringList() : testFilter_(GUID_NULL, "Decoder test") {}

TMonikerStringList::~TMonikerStringList() {
    testFilter_.LeaveGraph();
    ClearMonikers();
}

void TMonikerStringList::AddMatchingFilters(const RegPinType& input, const RegPinType& output,
                                            const std::vector<std::string>& words, bool exact) {
    try {
        FilterQuery query;
        query.exactMatch = exact;
        query.minMerit = 0;
        query.inputNeeded = true;
        query.inputTypes = {input};
        query.outputNeeded = true;
        query.outputTypes = {output};
        std::vector<ComPtr<Moniker>> found;
        if (FAILED(FilterMapper::instance().EnumMatchingFilters(query, &found))) return;
        for (auto& moniker : found) {
            std::string name = LowerAscii(ReadFriendlyName(moniker.get()));
            bool all = std::all_of(words.begin(), words.end(), [&](const std::string& w) {
                return name.find(LowerAscii(w)) != std::string::npos;
            });
            if (all) AddMoniker(moniker);
        }
    } catch (const std::exception&) {
        // a registry that cannot be read leaves the list as it is
    }
}

void TMonikerStringList::AddMoniker(const ComPtr<Moniker>& moniker) {
    if (!moniker) return;
    for (auto& e : entries_)
        if (e->Moniker && e->Moniker->IsEqual(*moniker)) return;
    std::string name = ReadFriendlyName(moniker.get());
    if (LowerAscii(name).find("nero") != std::string::npos) return;
    if (!Usable(moniker)) return;
    auto entry = std::make_unique<TMonikerClass>(moniker, NextNumber(name), name);
    std::string text = entry->DisplayText();
    auto at = std::upper_bound(entries_.begin(), entries_.end(), text,
                               [](const std::string& t, const std::unique_ptr<TMonikerClass>& e) {
                                   return LessNoCase(t, e->DisplayText());
                               });
    entries_.insert(at, std::move(entry));
}

bool TMonikerStringList::Usable(const ComPtr<Moniker>& moniker) {
    testFilter_.SetMoniker(moniker);
    testGraph_.Activate();
    bool ok = testFilter_.JoinGraph(testGraph_.Graph()) && testFilter_.Filter() != nullptr;
    testFilter_.LeaveGraph();
    testGraph_.Deactivate();
    return ok;
}

int TMonikerStringList::NextNumber(const std::string& name) const {
    if (IndexOf(name) < 0) return 1;
    int n = 2;
    while (IndexOf(name + "#" + std::to_string(n)) >= 0)
        ++n;
    return n;
}

ComPtr<Moniker> TMonikerStringList::GetMoniker(int index) const {
    if (index < 0 || index >= Count()) return nullptr;
    return entries_[size_t(index)]->Moniker;
}

void TMonikerStringList::ClearMonikers() {
    while (!entries_.empty())
        entries_.pop_back();
}

int TMonikerStringList::IndexOf(std::string_view text) const {
    const std::string wanted = LowerAscii(text);
    for (size_t i = 0; i < entries_.size(); ++i)
        if (LowerAscii(entries_[i]->DisplayText()) == wanted) return int(i);
    return -1;
}

std::vector<std::string> TMonikerStringList::Strings() const {
    std::vector<std::string> out;
    for (auto& e : entries_)
        out.push_back(e->DisplayText());
    return out;
}

} // namespace sp
