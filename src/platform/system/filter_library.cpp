#include "platform/system/filter_library.h"

#include "platform/graph/hresult.h"

#include <dlfcn.h>
#include <link.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iostream>
#include <optional>
#include <set>

namespace sp {

namespace {

constexpr unsigned char kNativeClass = sizeof(void*) == 8 ? ELFCLASS64 : ELFCLASS32;
constexpr unsigned char kNativeData =
    __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__ ? ELFDATA2LSB : ELFDATA2MSB;
constexpr uint64_t kMaxTableBytes = 16u << 20; // no real dynamic section or string table is larger
constexpr int kMaxDependencyDepth = 16;

std::optional<std::string> readAt(std::ifstream& in, uint64_t offset, uint64_t size) {
    if (size > kMaxTableBytes) return std::nullopt;
    std::string bytes(size, '\0');
    in.clear();
    in.seekg(std::streamoff(offset));
    if (!in.read(bytes.data(), std::streamsize(size))) return std::nullopt;
    return bytes;
}

template <class T> std::optional<T> readStruct(std::ifstream& in, uint64_t offset) {
    auto bytes = readAt(in, offset, sizeof(T));
    if (!bytes) return std::nullopt;
    T value;
    std::memcpy(&value, bytes->data(), sizeof(T));
    return value;
}

// The file offset of a virtual address inside one of the loaded segments.
std::optional<uint64_t> fileOffsetOf(const std::vector<ElfW(Phdr)>& segments, uint64_t address) {
    for (const ElfW(Phdr) & s : segments)
        if (s.p_type == PT_LOAD && address >= s.p_vaddr && address - s.p_vaddr < s.p_filesz)
            return address - s.p_vaddr + s.p_offset;
    return std::nullopt;
}

std::optional<std::vector<ElfW(Phdr)>> programHeaders(std::ifstream& in) {
    auto header = readStruct<ElfW(Ehdr)>(in, 0);
    if (!header || std::memcmp(header->e_ident, ELFMAG, SELFMAG) != 0 ||
        header->e_ident[EI_CLASS] != kNativeClass || header->e_ident[EI_DATA] != kNativeData ||
        header->e_phentsize != sizeof(ElfW(Phdr)))
        return std::nullopt;
    auto table = readAt(in, header->e_phoff, uint64_t(header->e_phnum) * sizeof(ElfW(Phdr)));
    if (!table) return std::nullopt;
    std::vector<ElfW(Phdr)> segments(header->e_phnum);
    std::memcpy(segments.data(), table->data(), table->size());
    return segments;
}

struct LoaderHandle {
    void* handle = nullptr;
    ~LoaderHandle() {
        if (handle) ::dlclose(handle); // RTLD_NODELETE: the code stays mapped
    }
};

void reportLoaderError(const std::filesystem::path& path) {
    const char* message = ::dlerror();
    std::cerr << "Cannot load the filter library " << path.string() << ": "
              << (message ? message : "unknown error") << '\n';
}

// Loads, dependencies first, the libraries `file` needs that lie in `folder`; the handles are
// kept in `loaded` so the loader finds them when the file itself is loaded.
void preloadFolderDependencies(const std::filesystem::path& file,
                               const std::filesystem::path& folder, int depth,
                               std::set<std::string>& seen, std::vector<LoaderHandle>& loaded) {
    if (depth > kMaxDependencyDepth) return;
    for (const std::string& name : NeededLibraries(file)) {
        const std::filesystem::path candidate = folder / name;
        std::error_code error;
        if (name.find('/') != std::string::npos || !seen.insert(name).second ||
            !std::filesystem::is_regular_file(candidate, error))
            continue;
        preloadFolderDependencies(candidate, folder, depth + 1, seen, loaded);
        if (void* handle = ::dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE))
            loaded.push_back({handle});
    }
}

} // namespace

std::vector<std::string> NeededLibraries(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    auto segments = in ? programHeaders(in) : std::nullopt;
    if (!segments) return {};
    std::vector<uint64_t> neededOffsets;
    std::optional<uint64_t> strtabAddress;
    uint64_t strtabSize = 0;
    for (const ElfW(Phdr) & s : *segments) {
        if (s.p_type != PT_DYNAMIC) continue;
        auto table = readAt(in, s.p_offset, s.p_filesz);
        if (!table) return {};
        for (size_t at = 0; at + sizeof(ElfW(Dyn)) <= table->size(); at += sizeof(ElfW(Dyn))) {
            ElfW(Dyn) entry;
            std::memcpy(&entry, table->data() + at, sizeof entry);
            if (entry.d_tag == DT_NULL) break;
            if (entry.d_tag == DT_NEEDED) neededOffsets.push_back(entry.d_un.d_val);
            if (entry.d_tag == DT_STRTAB) strtabAddress = entry.d_un.d_ptr;
            if (entry.d_tag == DT_STRSZ) strtabSize = entry.d_un.d_val;
        }
    }
    auto strtabOffset = strtabAddress ? fileOffsetOf(*segments, *strtabAddress) : std::nullopt;
    auto strings = strtabOffset ? readAt(in, *strtabOffset, strtabSize) : std::nullopt;
    if (!strings) return {};
    std::vector<std::string> names;
    for (uint64_t offset : neededOffsets) {
        if (offset >= strings->size()) continue;
        const size_t end = strings->find('\0', offset);
        if (end != std::string::npos) names.push_back(strings->substr(offset, end - offset));
    }
    return names;
}

bool CallFilterLibraryEntry(const std::filesystem::path& path, const char* entryPoint) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return false;
    const std::filesystem::path file = std::filesystem::absolute(path, error);
    if (error) return false;
    std::set<std::string> seen;
    std::vector<LoaderHandle> dependencies;
    preloadFolderDependencies(file, file.parent_path(), 0, seen, dependencies);
    LoaderHandle library{::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE)};
    if (!library.handle) {
        reportLoaderError(file);
        return false;
    }
    using Entry = mf::HRESULT (*)();
    auto entry = reinterpret_cast<Entry>(::dlsym(library.handle, entryPoint));
    return entry && mf::SUCCEEDED(entry());
}

} // namespace sp
