#include "media/moniker.h"

#include "support/test_filters.h"

#include <gtest/gtest.h>

namespace sp {
namespace {

using namespace mf;

// Types no real filter claims, so the outside filters never match these queries.
constexpr GUID kInA = fourCCGuid(makeFourCC('M', 'K', 'I', 'A'));
constexpr GUID kInB = fourCCGuid(makeFourCC('M', 'K', 'I', 'B'));
constexpr GUID kOut = fourCCGuid(makeFourCC('M', 'K', 'O', 'U'));

GUID clsidNumber(int n) {
    GUID g = guidOf("{5D1E7700-0000-4000-8000-000000000000}");
    g.Data4[7] = uint8_t(n);
    return g;
}

FilterRegistration decoder(int n, std::string name, std::vector<GUID> inputs, bool creatable = true,
                           uint32_t merit = MERIT_NORMAL) {
    FilterRegistration r;
    r.clsid = clsidNumber(n);
    r.friendlyName = std::move(name);
    r.merit = merit;
    RegPin in;
    for (auto& g : inputs)
        in.types.push_back({MEDIATYPE_Video, g});
    RegPin out{PinDirection::Output, false, {{MEDIATYPE_Video, kOut}}};
    r.pins = {in, out};
    if (creatable) r.create = [] { return ComPtr<IBaseFilter>(make<sptest::PassThrough>()); };
    return r;
}

std::vector<std::string> query(TMonikerStringList& list, const GUID& input, bool exact = true) {
    list.AddMatchingFilters({MEDIATYPE_Video, input}, {MEDIATYPE_Video, kOut}, {"decod"}, exact);
    return list.Strings();
}

TEST(DecoderList, KeepsDecodersOnlyOnceSortedAndNamedUniquely) {
    ScopedFilterRegistration both(decoder(1, "zeta Decoder", {kInA, kInB}));
    ScopedFilterRegistration twinA(decoder(2, "Twin decoder", {kInA}));
    ScopedFilterRegistration twinB(decoder(3, "Twin decoder", {kInA}, true, 0));
    ScopedFilterRegistration alpha(decoder(4, "alpha DECODER", {kInB}));
    ScopedFilterRegistration splitter(decoder(5, "MPEG-2 Splitter", {kInA}));
    ScopedFilterRegistration nero(decoder(6, "NeRo Video Decoder", {kInA}));
    ScopedFilterRegistration broken(decoder(7, "Broken Decoder", {kInA}, false));

    TMonikerStringList list;
    query(list, kInA);
    // The decoder of both types comes back from the second query: it is the same moniker.
    auto names = query(list, kInB);
    EXPECT_EQ(names, (std::vector<std::string>{"alpha DECODER", "Twin decoder", "Twin decoder#2",
                                               "zeta Decoder"}));
    EXPECT_EQ(list.IndexOf("Twin decoder#2"), 2);
    EXPECT_EQ(list.IndexOf("Broken Decoder"), -1);
    ASSERT_TRUE(list.GetMoniker(0));
    EXPECT_EQ(list.GetMoniker(0)->friendlyName(), "alpha DECODER");
    EXPECT_FALSE(list.GetMoniker(4));
    EXPECT_FALSE(list.GetMoniker(-1));

    list.ClearMonikers();
    EXPECT_EQ(list.Count(), 0);
}

TEST(DecoderList, ExactMatchDecidesWhetherWildcardRegistrationsCount) {
    ScopedFilterRegistration wildcard(decoder(8, "Any decoder", {GUID_NULL}));
    TMonikerStringList exact;
    EXPECT_TRUE(query(exact, kInA, true).empty());
    TMonikerStringList loose;
    EXPECT_EQ(query(loose, kInA, false), std::vector<std::string>{"Any decoder"});
}

TEST(DecoderList, TheNumberFillsTheFirstFreeSlot) {
    TMonikerStringList list;
    ScopedFilterRegistration a(decoder(9, "N decoder", {kInA}));
    ScopedFilterRegistration b(decoder(10, "N decoder#2", {kInB}));
    ScopedFilterRegistration c(decoder(11, "N decoder", {kInB}));
    query(list, kInA);
    query(list, kInB);
    // "N decoder#2" is taken by a filter of that very name, so the second "N decoder" is #3.
    EXPECT_EQ(list.Strings(),
              (std::vector<std::string>{"N decoder", "N decoder#2", "N decoder#3"}));
}

// Names differing only in letter case are one name: numbered on, and found in any case.
TEST(DecoderList, NamesAreNumberedAndFoundWithoutRegardToCase) {
    TMonikerStringList list;
    ScopedFilterRegistration a(decoder(12, "X Decoder", {kInA}));
    ScopedFilterRegistration b(decoder(13, "x decoder", {kInB}));
    query(list, kInA);
    query(list, kInB);
    EXPECT_EQ(list.Strings(), (std::vector<std::string>{"X Decoder", "x decoder#2"}));
    EXPECT_EQ(list.IndexOf("x DECODER"), 0);
    EXPECT_EQ(list.IndexOf("X decoder#2"), 1);
}

} // namespace
} // namespace sp
