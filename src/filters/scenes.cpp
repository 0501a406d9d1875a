#include "filters/scenes.h"

#include <fstream>
#include <istream>
#include <optional>
#include <system_error>

namespace sp {

namespace {

namespace fs = std::filesystem;

// Sequential little-endian reads over a scene file. The first read or skip that would pass the
// end of the file marks the reader failed; later calls then do nothing and give 0, so a parse
// checks ok() once at the end of each header or record.
class SceneReader {
public:
    explicit SceneReader(std::istream& in) : in_(in) {
        std::istream::pos_type start = in_.tellg();
        in_.seekg(0, std::ios::end);
        std::istream::pos_type end = in_.tellg();
        in_.seekg(start);
        failed_ = !in_ || start < 0 || end < start;
        left_ = failed_ ? 0 : uint64_t(end - start);
    }
    bool ok() const { return !failed_; }

    void Skip(uint64_t count) {
        if (!Claim(count)) return;
        in_.seekg(std::streamoff(count), std::ios::cur);
        if (!in_) failed_ = true;
    }
    uint8_t Byte() {
        char c = 0;
        if (!Claim(1)) return 0;
        if (!in_.get(c)) failed_ = true;
        return static_cast<uint8_t>(c);
    }
    uint16_t U16() {
        uint16_t low = Byte();
        return uint16_t(low | Byte() << 8);
    }
    int32_t I32() {
        uint32_t low = U16();
        uint32_t high = U16();
        return static_cast<int32_t>(low | high << 16);
    }
    // A length-prefixed string: one byte below 255, or 255 then a big-endian 16-bit length;
    // a 16-bit length of 0xFEFF or more announces 16-bit characters counted the same way.
    void SkipString() {
        uint8_t n = Byte();
        if (n < 255) return Skip(n);
        uint16_t length = BigEndian16();
        if (length < 0xFEFF) return Skip(length);
        uint8_t m = Byte();
        if (m < 255) return Skip(2u * m);
        Skip(2u * BigEndian16());
    }

private:
    uint16_t BigEndian16() {
        uint16_t high = Byte();
        return uint16_t(high << 8 | Byte());
    }
    bool Claim(uint64_t count) {
        if (failed_ || count > left_) {
            failed_ = true;
            return false;
        }
        left_ -= count;
        return true;
    }

    std::istream& in_;
    uint64_t left_ = 0;
    bool failed_ = false;
};

struct SceneHeader {
    uint16_t recordCount = 0;
    TScene first;
};

// The optional tail shared by the header and the records.
void SkipFlaggedFields(SceneReader& in, uint8_t flagsA, uint8_t flagsB) {
    if (flagsB & 0x40) in.Skip(4);
    if (flagsA & 0x80) in.SkipString();
}

std::optional<SceneHeader> ReadHeader(SceneReader& in, const fs::path& path) {
    SceneHeader h;
    in.Skip(24);
    in.SkipString();
    in.Skip(8);
    h.recordCount = in.U16();
    in.Skip(11);
    uint8_t flagsA = in.Byte();
    uint8_t flagsB = in.Byte();
    in.Skip(12);
    in.SkipString();
    h.first.Path = path;
    h.first.StartFrame = in.I32();
    h.first.SecondValue = in.I32();
    in.Skip(6);
    in.SkipString();
    in.Skip(8 + 4);
    SkipFlaggedFields(in, flagsA, flagsB);
    if (!in.ok()) return std::nullopt;
    return h;
}

std::optional<TScene> ReadRecord(SceneReader& in, const fs::path& path) {
    in.Skip(3);
    uint8_t flagsA = in.Byte();
    uint8_t flagsB = in.Byte();
    in.Skip(3);
    in.SkipString();
    TScene scene;
    scene.Path = path;
    scene.StartFrame = in.I32();
    scene.SecondValue = in.I32();
    in.Skip(6 + 3 * 4);
    SkipFlaggedFields(in, flagsA, flagsB);
    if (!in.ok()) return std::nullopt;
    return scene;
}

} // namespace

bool LoadScenes(TSceneList& list, const fs::path& path) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) return false;
    std::ifstream file(path, std::ios::binary);
    if (!file.is_open()) return false;
    return ReadScenes(list, file, path);
}

bool ReadScenes(TSceneList& list, std::istream& stream, const fs::path& source) {
    SceneReader in(stream);
    std::optional<SceneHeader> header = ReadHeader(in, source);
    if (!header) return false;

    list.Clear();
    list.Add(std::move(header->first));
    for (int i = 0; i < header->recordCount; ++i) {
        std::optional<TScene> scene = ReadRecord(in, source);
        if (!scene) return false;
        list.Add(std::move(*scene));
    }
    return true;
}

const TScene* SceneAt(const TSceneList& list, int index) {
    if (index < 0 || index >= list.Count()) return nullptr;
    return &list[index];
}

} // namespace sp
