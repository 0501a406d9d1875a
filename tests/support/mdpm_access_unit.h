#pragma once
// H.264 access units (Annex B) carrying an AVCHD camcorder's MDPM user data, for the tests of
// whatever reads it.

#include <cstdint>
#include <string>
#include <vector>

namespace sptest {

// An access unit as a camcorder writes it: an AUD, an SEI with `payload` as user data
// unregistered (escaped as the stream needs), then a slice.
inline std::vector<uint8_t> AccessUnit(const std::vector<uint8_t>& payload) {
    std::vector<uint8_t> sei = {5, uint8_t(payload.size())};
    sei.insert(sei.end(), payload.begin(), payload.end());
    sei.push_back(0x80);
    std::vector<uint8_t> unit = {0, 0, 0, 1, 0x09, 0xF0, 0, 0, 0, 1, 0x06};
    int zeros = 0;
    for (uint8_t b : sei) {
        if (zeros >= 2 && b <= 3) {
            unit.push_back(3);
            zeros = 0;
        }
        unit.push_back(b);
        zeros = b == 0 ? zeros + 1 : 0;
    }
    for (uint8_t b : {0, 0, 1, 0x65, 0x88, 0x84, 0x00, 0x00, 0x01})
        unit.push_back(b);
    return unit;
}

inline const std::vector<uint8_t> kMdpmUuid = {0x17, 0xEE, 0x8C, 0x60, 0xF8, 0x4D, 0x11, 0xD9,
                                               0x8C, 0xD6, 0x08, 0x00, 0x20, 0x0C, 0x9A, 0x66};

inline std::vector<uint8_t> Mdpm(std::vector<std::vector<uint8_t>> entries) {
    std::vector<uint8_t> payload = kMdpmUuid;
    for (char c : std::string("MDPM"))
        payload.push_back(uint8_t(c));
    payload.push_back(uint8_t(entries.size()));
    for (const auto& e : entries)
        payload.insert(payload.end(), e.begin(), e.end());
    return payload;
}

} // namespace sptest
