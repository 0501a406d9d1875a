#include "platform/system/jpeg_huffman.h"

#include <gtest/gtest.h>

#include <functional>
#include <queue>
#include <vector>

namespace sp::jpeg {
namespace {

// What a valid DHT table must be: at most 256 symbols, each once, codes of 1..16 bits forming a
// prefix code in which no code is all ones (Kraft sum below one).
void ExpectValidTable(const HuffmanTable& table) {
    double kraft = 0;
    for (int k = 1; k <= 16; ++k)
        kraft += table.bits[size_t(k)] / double(1 << k);
    EXPECT_LT(kraft, 1.0);
    std::vector<bool> seen(256, false);
    for (int i = 0; i < table.symbolCount(); ++i) {
        EXPECT_FALSE(seen[table.huffval[size_t(i)]]) << "symbol twice: " << int(table.huffval[i]);
        seen[table.huffval[size_t(i)]] = true;
    }
}

// The cost of an unrestricted Huffman code, the classic way (sum of the merged weights).
int64_t HuffmanCost(const std::vector<int64_t>& counts) {
    std::priority_queue<int64_t, std::vector<int64_t>, std::greater<>> heap;
    for (int64_t c : counts)
        if (c > 0) heap.push(c);
    int64_t cost = 0;
    while (heap.size() > 1) {
        const int64_t a = heap.top();
        heap.pop();
        const int64_t b = heap.top();
        heap.pop();
        cost += a + b;
        heap.push(a + b);
    }
    return cost;
}

int64_t CodedBits(const HuffmanTable& table, const std::array<int64_t, 256>& counts) {
    const std::array<int, 256> lengths = CodeLengths(table);
    int64_t bits = 0;
    for (int s = 0; s < 256; ++s) {
        if (counts[size_t(s)] > 0) {
            EXPECT_GT(lengths[size_t(s)], 0) << "no code for " << s;
        }
        bits += counts[size_t(s)] * lengths[size_t(s)];
    }
    return bits;
}

TEST(JpegHuffman, TablesFromCountsAreOptimalUpToTheReservedCode) {
    std::array<int64_t, 256> counts{};
    uint32_t seed = 99;
    for (int s = 0; s < 162; ++s)
        counts[size_t(s)] = (seed = seed * 1664525u + 1013904223u) >> 20;
    const HuffmanTable table = TableFromCounts(counts);
    ExpectValidTable(table);
    std::vector<int64_t> all(counts.begin(), counts.end());
    const int64_t without = HuffmanCost(all);
    all.push_back(1); // the all-ones code is kept out by a symbol of its own
    EXPECT_GE(CodedBits(table, counts), without);
    EXPECT_LE(CodedBits(table, counts), HuffmanCost(all));

    // One symbol alone gets a one-bit code; no symbol at all, an empty table.
    std::array<int64_t, 256> one{};
    one[7] = 1000;
    const HuffmanTable single = TableFromCounts(one);
    EXPECT_EQ(single.symbolCount(), 1);
    EXPECT_EQ(CodeLengths(single)[7], 1);
    EXPECT_EQ(TableFromCounts(std::array<int64_t, 256>{}).symbolCount(), 0);
}

TEST(JpegHuffman, CodesStayWithinSixteenBitsWhateverTheCounts) {
    // Fibonacci counts make the unrestricted code as deep as there are symbols.
    std::array<int64_t, 256> counts{};
    int64_t a = 1, b = 1;
    for (int s = 0; s < 40; ++s) {
        counts[size_t(s)] = a;
        const int64_t c = a + b;
        a = b;
        b = c;
    }
    const HuffmanTable table = TableFromCounts(counts);
    ExpectValidTable(table);
    EXPECT_EQ(table.symbolCount(), 40);
    const std::array<int, 256> lengths = CodeLengths(table);
    for (int s = 0; s < 40; ++s) {
        EXPECT_GE(lengths[size_t(s)], 1);
        EXPECT_LE(lengths[size_t(s)], 16);
    }
    // The commonest symbol still has the shortest code.
    EXPECT_EQ(*std::min_element(lengths.begin(), lengths.begin() + 40), lengths[39]);
}

TEST(JpegHuffman, ACompletedTableCodesEverySymbolTheCoderCanEmit) {
    for (const TableClass kind : {TableClass::Dc, TableClass::Ac}) {
        SCOPED_TRACE(kind == TableClass::Dc ? "DC" : "AC");
        // A picture that used a few symbols only, one of them very often.
        std::array<int64_t, 256> counts{};
        counts[0] = 5000;
        counts[1] = 300;
        counts[kind == TableClass::Dc ? 3 : 0x21] = 40;
        counts[kind == TableClass::Dc ? 11 : 0xF0] = 2;
        const HuffmanTable sparse = TableFromCounts(counts);
        const HuffmanTable complete = CompleteTable(sparse, kind);
        ExpectValidTable(complete);
        const std::array<int, 256> before = CodeLengths(sparse), after = CodeLengths(complete);
        int valid = 0;
        for (int s = 0; s < 256; ++s) {
            EXPECT_EQ(after[size_t(s)] > 0, ValidSymbol(kind, s)) << "symbol " << s;
            valid += ValidSymbol(kind, s);
            if (before[size_t(s)] > 0) {
                EXPECT_LE(after[size_t(s)], before[size_t(s)] + 1);
            }
        }
        EXPECT_EQ(valid, kind == TableClass::Dc ? 12 : 162);
        EXPECT_EQ(complete.symbolCount(), valid);
        // The common symbols keep short codes; an empty table gets codes for everything.
        EXPECT_LE(after[0], 2);
        EXPECT_EQ(CompleteTable(HuffmanTable{}, kind).symbolCount(), valid);
    }
    EXPECT_FALSE(ValidSymbol(TableClass::Ac, 0x0B)); // size 11 exists for DC only
    EXPECT_FALSE(ValidSymbol(TableClass::Ac, 0x10)); // run 1 without a size
    EXPECT_FALSE(ValidSymbol(TableClass::Dc, 12));
}

} // namespace
} // namespace sp::jpeg
