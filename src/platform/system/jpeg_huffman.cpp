#include "platform/system/jpeg_huffman.h"

#include <algorithm>
#include <vector>

namespace sp::jpeg {

namespace {

constexpr int kReserved = 256; // a symbol of its own, so that no real code is all ones
constexpr int kSymbols = 257;
constexpr int kMaxLength = 16;

// Huffman code lengths of the symbols with a count: the two rarest trees are merged until one
// is left, each merge making every code of both one bit longer.
std::vector<int> UnlimitedLengths(std::vector<int64_t> freq) {
    std::vector<int> length(kSymbols, 0);
    std::vector<int> next(kSymbols, -1); // the symbols of one tree, chained
    for (;;) {
        int a = -1, b = -1; // rarest, second rarest; ties go to the higher symbol
        for (int s = 0; s < kSymbols; ++s) {
            if (freq[s] == 0) continue;
            if (a < 0 || freq[s] <= freq[a]) {
                b = a;
                a = s;
            } else if (b < 0 || freq[s] <= freq[b]) {
                b = s;
            }
        }
        if (b < 0) break;
        freq[a] += freq[b];
        freq[b] = 0;
        int tail = a;
        for (++length[tail]; next[tail] >= 0; ++length[tail])
            tail = next[tail];
        next[tail] = b;
        for (int s = b; s >= 0; s = next[s])
            ++length[s];
    }
    return length;
}

} // namespace

int HuffmanTable::symbolCount() const {
    int n = 0;
    for (int k = 1; k <= kMaxLength; ++k)
        n += bits[k];
    return n;
}

std::array<int, 256> CodeLengths(const HuffmanTable& table) {
    std::array<int, 256> lengths{};
    int index = 0;
    for (int k = 1; k <= kMaxLength; ++k)
        for (int i = 0; i < table.bits[k] && index < 256; ++i)
            lengths[table.huffval[index++]] = k;
    return lengths;
}

HuffmanTable TableFromCounts(std::span<const int64_t, 256> counts) {
    std::vector<int64_t> freq(counts.begin(), counts.end());
    freq.push_back(1);
    const std::vector<int> length = UnlimitedLengths(freq);
    const int longest = *std::max_element(length.begin(), length.end());
    std::vector<int> bits(size_t(std::max(longest, kMaxLength)) + 1, 0);
    for (int s = 0; s < kSymbols; ++s)
        if (length[s] > 0) ++bits[size_t(length[s])];
    // Codes longer than 16 bits: a pair of them becomes one code one bit shorter plus the two
    // children of a shorter code, which keeps the code set complete.
    for (int i = int(bits.size()) - 1; i > kMaxLength; --i) {
        while (bits[size_t(i)] > 0) {
            int j = i - 2;
            while (bits[size_t(j)] == 0)
                --j;
            bits[size_t(i)] -= 2;
            bits[size_t(i) - 1] += 1;
            bits[size_t(j) + 1] += 2;
            bits[size_t(j)] -= 1;
        }
    }
    HuffmanTable table;
    int k = kMaxLength; // the reserved symbol had the longest code: it goes
    while (k > 0 && bits[size_t(k)] == 0)
        --k;
    if (k == 0) return table;
    --bits[size_t(k)];
    for (int i = 1; i <= kMaxLength; ++i)
        table.bits[size_t(i)] = uint8_t(bits[size_t(i)]);
    // Symbols by their unlimited length, then by value: the limited lengths follow that order.
    int index = 0;
    for (int len = 1; len <= longest; ++len)
        for (int s = 0; s < kReserved; ++s)
            if (length[s] == len) table.huffval[size_t(index++)] = uint8_t(s);
    return table;
}

bool ValidSymbol(TableClass kind, int symbol) {
    if (kind == TableClass::Dc) return symbol >= 0 && symbol <= 11;
    if (symbol == 0x00 || symbol == 0xF0) return true;
    const int size = symbol & 0x0F;
    return symbol > 0 && symbol < 256 && size >= 1 && size <= 10;
}

HuffmanTable CompleteTable(const HuffmanTable& table, TableClass kind) {
    // A symbol with a code of n bits stands for 2^(24-n) occurrences, far above the single
    // occurrence given to every missing one: the lengths present hardly move.
    const std::array<int, 256> lengths = CodeLengths(table);
    std::array<int64_t, 256> counts{};
    for (int s = 0; s < 256; ++s) {
        if (!ValidSymbol(kind, s)) continue;
        counts[size_t(s)] = lengths[size_t(s)] > 0 ? int64_t(1) << (24 - lengths[size_t(s)]) : 1;
    }
    return TableFromCounts(counts);
}

} // namespace sp::jpeg
