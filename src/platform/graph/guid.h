#pragma once
// 128-bit identifiers in the Windows layout (Data1..Data4) with the registry text form
// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace mf {

struct GUID {
    uint32_t Data1 = 0;
    uint16_t Data2 = 0;
    uint16_t Data3 = 0;
    std::array<uint8_t, 8> Data4{};

    friend constexpr bool operator==(const GUID&, const GUID&) = default;

    // Parses the text form with or without braces; nullopt on any malformed character.
    static constexpr std::optional<GUID> parse(std::string_view text);
    // Upper-case text form with braces, as the registry writes it.
    std::string toString() const;
    constexpr bool isNull() const { return *this == GUID{}; }
};
static_assert(sizeof(GUID) == 16);

namespace detail {
constexpr int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}
constexpr std::optional<uint64_t> hexField(std::string_view s) {
    uint64_t v = 0;
    for (char c : s) {
        int h = hexValue(c);
        if (h < 0) return std::nullopt;
        v = v * 16 + uint64_t(h);
    }
    return v;
}
} // namespace detail

constexpr std::optional<GUID> GUID::parse(std::string_view text) {
    if (text.size() == 38) {
        if (text.front() != '{' || text.back() != '}') return std::nullopt;
        text = text.substr(1, 36);
    }
    if (text.size() != 36 || text[8] != '-' || text[13] != '-' || text[18] != '-' ||
        text[23] != '-')
        return std::nullopt;
    auto d1 = detail::hexField(text.substr(0, 8));
    auto d2 = detail::hexField(text.substr(9, 4));
    auto d3 = detail::hexField(text.substr(14, 4));
    if (!d1 || !d2 || !d3) return std::nullopt;
    GUID g{uint32_t(*d1), uint16_t(*d2), uint16_t(*d3), {}};
    for (int i = 0; i < 8; ++i) {
        size_t pos = i < 2 ? 19 + 2 * i : 24 + 2 * (i - 2);
        auto b = detail::hexField(text.substr(pos, 2));
        if (!b) return std::nullopt;
        g.Data4[i] = uint8_t(*b);
    }
    return g;
}

// A GUID from a literal known at compile time; a malformed literal fails the build.
consteval GUID guidOf(const char* text) {
    auto g = GUID::parse(std::string_view(text));
    if (!g) throw "malformed GUID literal";
    return *g;
}

// The four-character-code GUID form {XXXXXXXX-0000-0010-8000-00AA00389B71}.
constexpr GUID fourCCGuid(uint32_t fourcc) {
    return GUID{fourcc, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
}
constexpr uint32_t makeFourCC(char a, char b, char c, char d) {
    return uint32_t(uint8_t(a)) | uint32_t(uint8_t(b)) << 8 | uint32_t(uint8_t(c)) << 16 |
           uint32_t(uint8_t(d)) << 24;
}

inline constexpr GUID GUID_NULL{};

} // namespace mf

template <> struct std::hash<mf::GUID> {
    size_t operator()(const mf::GUID& g) const noexcept {
        uint64_t a = uint64_t(g.Data1) << 32 | uint64_t(g.Data2) << 16 | g.Data3;
        uint64_t b = 0;
        for (uint8_t x : g.Data4) b = b << 8 | x;
        return std::hash<uint64_t>()(a ^ (b * 0x9E3779B97F4A7C15ull));
    }
};
