#include "platform/graph/guid.h"

#include <cstdio>

namespace mf {

std::string GUID::toString() const {
    char buf[40];
    std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", Data1,
                  Data2, Data3, Data4[0], Data4[1], Data4[2], Data4[3], Data4[4], Data4[5],
                  Data4[6], Data4[7]);
    return buf;
}

} // namespace mf
