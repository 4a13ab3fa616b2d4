// Sentences with their checksums, built and checked as a receiver sends them.
#pragma once

#include <cstdio>
#include <string>

#include "tests/support/temp_dir.h"

namespace test_support {

// "$" + body + "*HH\r\n" with the body's checksum, or one off by adjust.
inline std::string Sentence(const std::string& body, int adjust = 0) {
    unsigned sum = 0;
    for (unsigned char c : body)
        sum ^= c;
    char tail[8];
    std::snprintf(tail, sizeof tail, "*%02X\r\n", (sum + adjust) & 0xFF);
    return "$" + body + tail;
}

inline std::string BadSentence(const std::string& body) {
    return Sentence(body, 1);
}

// True when the line is "$...*HH" and HH is the XOR of what lies between.
inline bool ChecksumMatches(const std::string& line) {
    const std::size_t star = line.rfind('*');
    return line.size() > 3 && line[0] == '$' && star == line.size() - 3 &&
           Sentence(line.substr(1, star - 1)) == line + "\r\n";
}

#ifdef SKYMARK_DATA_DIR
// One of the sample receiver logs kept with the tests; empty when missing.
inline std::string SampleLog(const std::string& name) {
    return ReadWholeFile(std::string(SKYMARK_DATA_DIR) + "/" + name);
}
#endif

#ifdef SKYMARK_GPSD_DATA_DIR
// One of gpsd's binary receiver logs (NAME.log) or its expected reports
// (NAME.log.chk); empty when missing.
inline std::string GpsdLog(const std::string& name) {
    return ReadWholeFile(std::string(SKYMARK_GPSD_DATA_DIR) + "/" + name);
}
#endif

}  // namespace test_support
