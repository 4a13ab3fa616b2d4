// Test helper: each decoder run on a test string, with its length as the
// stream would pass it.
#pragma once

#include <string>

#include "nmea/nav_record.h"

inline void Gga(const std::string& s) {
    Nav.ParseGga(s.c_str(), static_cast<int32_t>(s.size()));
}
inline void Rmc(const std::string& s) {
    Nav.ParseRmc(s.c_str(), static_cast<int32_t>(s.size()));
}
inline void Gsa(const std::string& s) {
    Nav.ParseGsa(s.c_str(), static_cast<int32_t>(s.size()));
}
inline bool Gsv(const std::string& s, uint32_t tickMs = 0) {
    return Nav.ParseGsv(s.c_str(), static_cast<int32_t>(s.size()), tickMs);
}
inline void Gst(const std::string& s) {
    Nav.ParseGst(s.c_str(), static_cast<int32_t>(s.size()));
}
inline void Gns(const std::string& s) {
    Nav.ParseGns(s.c_str(), static_cast<int32_t>(s.size()));
}
