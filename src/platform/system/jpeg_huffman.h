#pragma once
// Huffman tables for baseline JPEG in the form of the DHT segment: bits[k] symbols have codes
// of k bits (k = 1..16, bits[0] unused), huffval lists the symbols by increasing code length.
//
// A table computed for one picture holds codes only for the symbols that picture used. Reused
// for the next picture of a run, it must give every symbol the entropy coder can emit a code,
// or the file would be corrupt: CompleteTable keeps the code lengths of the symbols present
// (nearly) as they are and gives every other valid symbol one of the longest codes.
//
// Pure functions, any thread.

#include <array>
#include <cstdint>
#include <span>

namespace sp::jpeg {

struct HuffmanTable {
    std::array<uint8_t, 17> bits{};
    std::array<uint8_t, 256> huffval{};
    int symbolCount() const;
};

// The code length of each symbol (0 for a symbol without a code).
std::array<int, 256> CodeLengths(const HuffmanTable& table);

// An optimal table of codes at most 16 bits long for the symbols with a non-zero count, no code
// being all ones (JPEG's length-limited construction). No symbol with a count: an empty table.
HuffmanTable TableFromCounts(std::span<const int64_t, 256> counts);

// The symbols of a DC table (difference categories 0..11 of 8-bit samples) or of an AC table
// (end of block, sixteen zeros, and run 0..15 with size 1..10).
enum class TableClass { Dc, Ac };
bool ValidSymbol(TableClass kind, int symbol);

// `table` with a code for every valid symbol of its class. The symbols it had keep their
// relative lengths; a table that already has them all comes back with the same lengths.
HuffmanTable CompleteTable(const HuffmanTable& table, TableClass kind);

} // namespace sp::jpeg
