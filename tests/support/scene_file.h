#pragma once
// Scene files (".scn") written byte by byte, as capture software lays them out: a header with
// the first scene, then one record per further scene. Used by the scene list tests and by the
// main window's scene-step tests.

#include <cstdint>
#include <string_view>
#include <vector>

namespace sptest {

using Bytes = std::vector<uint8_t>;

// Scene files written byte by byte. Skipped fields are filled with noise so that a parser that
// reads the wrong field notices.
class SceneFile {
public:
    SceneFile& fill(size_t n) {
        for (size_t i = 0; i < n; ++i)
            bytes_.push_back(uint8_t(0xA5 ^ bytes_.size()));
        return *this;
    }
    SceneFile& u8(uint8_t v) {
        bytes_.push_back(v);
        return *this;
    }
    SceneFile& u16(uint16_t v) { return u8(uint8_t(v)).u8(uint8_t(v >> 8)); }
    SceneFile& i32(int32_t v) {
        return u16(uint16_t(uint32_t(v))).u16(uint16_t(uint32_t(v) >> 16));
    }
    SceneFile& append(const Bytes& b) {
        bytes_.insert(bytes_.end(), b.begin(), b.end());
        return *this;
    }
    const Bytes& bytes() const { return bytes_; }

private:
    Bytes bytes_;
};

inline Bytes ShortString(std::string_view s) {
    Bytes b;
    b.push_back(uint8_t(s.size()));
    for (char c : s)
        b.push_back(uint8_t(c));
    return b;
}
// 255, then the length with its high byte first.
inline Bytes LongString(uint16_t length) {
    Bytes b{0xFF, uint8_t(length >> 8), uint8_t(length)};
    b.resize(b.size() + length, 'x');
    return b;
}
// 255, FE FF, then a count of 16-bit characters: one byte, or 255 and two bytes high first.
inline Bytes WideString(uint16_t chars) {
    Bytes b{0xFF, 0xFE, 0xFF};
    if (chars < 255) {
        b.push_back(uint8_t(chars));
    } else {
        for (uint8_t v : {uint8_t(0xFF), uint8_t(chars >> 8), uint8_t(chars)})
            b.push_back(v);
    }
    b.resize(b.size() + 2u * chars, 'w');
    return b;
}

struct Header {
    uint16_t count = 0;
    int32_t start = 0;
    int32_t second = 0;
    uint8_t flagsA = 0;
    uint8_t flagsB = 0;
    Bytes title = ShortString("DV clip");
    Bytes name = ShortString("Scene 1");
    Bytes note = ShortString("");
    Bytes tail = ShortString("tail");
};

struct Record {
    int32_t start = 0;
    int32_t second = 0;
    uint8_t flagsA = 0;
    uint8_t flagsB = 0;
    Bytes name = ShortString("Scene");
    Bytes tail = ShortString("tail");
};

inline void Write(SceneFile& f, const Header& h) {
    f.fill(24).append(h.title).fill(8).u16(h.count).fill(11).u8(h.flagsA).u8(h.flagsB);
    f.fill(12).append(h.name).i32(h.start).i32(h.second).fill(6).append(h.note).fill(8).fill(4);
    if (h.flagsB & 0x40) f.fill(4);
    if (h.flagsA & 0x80) f.append(h.tail);
}

inline void Write(SceneFile& f, const Record& r) {
    f.fill(3).u8(r.flagsA).u8(r.flagsB).fill(3).append(r.name).i32(r.start).i32(r.second);
    f.fill(6).fill(12);
    if (r.flagsB & 0x40) f.fill(4);
    if (r.flagsA & 0x80) f.append(r.tail);
}

// A file whose scenes start at the given frames (the first one in the header).
inline Bytes SceneFileStarting(const std::vector<int32_t>& starts) {
    SceneFile f;
    Header h;
    h.count = uint16_t(starts.size() - 1);
    h.start = starts.at(0);
    Write(f, h);
    for (size_t i = 1; i < starts.size(); ++i) {
        Record r;
        r.start = starts[i];
        Write(f, r);
    }
    return f.bytes();
}

} // namespace sptest
