// Arbitrary bytes through the checksum, the four decoders, the sky as the
// screen sees it and the date and time derivations, through the assembler and
// the router as the program feeds them, plus the number conversions checked
// against strtod/strtol.
#include <cctype>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "nmea/calendar.h"
#include "nmea/nav_record.h"
#include "nmea/nmea_state.h"
#include "nmea/number_text.h"
#include "nmea/sentence_assembler.h"
#include "nmea/sentence_router.h"
#include "nmea/sky_view.h"

namespace {

constexpr size_t kCapacity = kSentenceCapacity;

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

uint32_t tickMs = 0;
SkyView view;

// The satellites as the screen would see them: whole groups, each satellite
// once, in order.
void CheckSky() {
    // Every entry the groups hold, once: the chains neither cross nor loop.
    int32_t held = 0;
    ForEachSkyEntry(Nav.skyGroups, [&held](const SatelliteEntry& e) {
        Check(++held <= kSkyEntries);
        Check(e.number >= 1 && e.number <= kMaxSatelliteNumber);
        Check(e.snr >= 0.0f && e.snr <= 99.0f);
    });
    BuildSkyView(Nav, &view);
    Check(view.count >= 0 && view.count <= kMaxSkySatellites);
    for (int32_t i = 1; i < view.count; ++i) {
        const SkySatellite& a = view.satellites[i - 1];
        const SkySatellite& b = view.satellites[i];
        Check(a.system < b.system || (a.system == b.system && a.number < b.number));
    }
}

// The checksum rule stated again, apart from the checker: the text up to its
// first NUL starts with '$' and holds '*' and two hex digits that equal the
// XOR of the bytes between.
bool CarriesMatchingChecksum(const char* sentence) {
    const size_t length = std::strlen(sentence);
    if (length == 0 || sentence[0] != '$') return false;
    const char* star = static_cast<const char*>(std::memchr(sentence + 1, '*', length - 1));
    if (star == nullptr || star + 3 > sentence + length) return false;
    if (!std::isxdigit(static_cast<unsigned char>(star[1])) ||
        !std::isxdigit(static_cast<unsigned char>(star[2]))) {
        return false;
    }
    const char digits[3] = {star[1], star[2], '\0'};
    unsigned sum = 0;
    for (const char* p = sentence + 1; p < star; ++p)
        sum ^= static_cast<unsigned char>(*p);
    return std::strtoul(digits, nullptr, 16) == sum;
}

// An error estimate that is known is a size: never negative, never beyond
// float, never NaN.
void CheckAccuracy() {
    const FixAccuracy& a = Nav.accuracy;
    const struct {
        AccuracyValue bit;
        float value;
    } values[] = {{kLatitudeSigma, a.latitudeSigma},
                  {kLongitudeSigma, a.longitudeSigma},
                  {kAltitudeSigma, a.altitudeSigma}};
    for (const auto& v : values) {
        if ((a.known & v.bit) == 0) continue;
        Check(std::isfinite(v.value) && v.value >= 0.0f);
    }
}

void DecodeAll(const char* sentence, int32_t length) {
    // No sentence verifies without a matching '*hh'.
    if (Nav.VerifyChecksum(sentence)) Check(CarriesMatchingChecksum(sentence));
    Nav.ParseGga(sentence, length);
    Nav.ParseRmc(sentence, length);
    Nav.ParseGsa(sentence, length);
    Nav.ParseGst(sentence, length);
    Nav.ParseGns(sentence, length);
    CheckAccuracy();
    // Now and then a jump past the time a silent group is kept.
    tickMs += length > 0 && sentence[length - 1] == '9' ? kSilentGroupMs + 1 : 1;
    (void)Nav.ParseGsv(sentence, length, tickMs);

    int32_t year = 0, month = 0, day = 0;
    int32_t hour = 0, minute = 0, second = 0, shift = 0;
    Nav.DecodeDate(Nav.rmcDate, &year, &month, &day);
    Nav.DecodeLocalTime(Nav.rmcTime, &hour, &minute, &second, &shift);
    Check(shift >= -1 && shift <= 1);
    const bool calendarDate = month >= 1 && month <= 12 && day >= 1 && day <= 31;
    ShiftDate(&year, &month, &day, shift);
    if (calendarDate) Check(month >= 1 && month <= 12 && day >= 1 && day <= 31);

    // The other floats as dates too: any value must be safe there.
    Nav.DecodeDate(Nav.ggaLatitude, &year, &month, &day);
    Nav.DecodeLocalTime(Nav.ggaTime, &hour, &minute, &second, &shift);
    ShiftDate(&year, &month, &day, shift);

    CheckSky();
}

bool SameFloat(float a, float b) {
    if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
    uint32_t x = 0, y = 0;
    std::memcpy(&x, &a, sizeof x);
    std::memcpy(&y, &b, sizeof y);
    return x == y;
}

// The fast number paths must agree with the C library on any text.
void CheckNumbers(const uint8_t* data, size_t size) {
    char text[48];
    const size_t n = size < sizeof text - 1 ? size : sizeof text - 1;
    std::memcpy(text, data, n);
    text[n] = '\0';
    const int32_t length = static_cast<int32_t>(std::strlen(text));

    Check(SameFloat(ParseFloatText(text, length), NarrowToFloat(std::strtod(text, nullptr))));
    const long wide = std::strtol(text, nullptr, 10);
    const int32_t clamped = wide > std::numeric_limits<int32_t>::max() ? INT32_MAX
                            : wide < std::numeric_limits<int32_t>::min()
                                ? INT32_MIN
                                : static_cast<int32_t>(wide);
    Check(ParseIntText(text, length) == clamped);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Every input starts from the all-zero state the program starts with.
    ResetNmeaState();
    tickMs = 0;

    CheckNumbers(data, size);

    static char sentence[kCapacity];
    // The whole input as one sentence, cut to the buffer as the stream cuts it.
    size_t n = size < kCapacity - 1 ? size : kCapacity - 1;
    std::memcpy(sentence, data, n);
    sentence[n] = '\0';
    DecodeAll(sentence, static_cast<int32_t>(n));
    // A length short of the NUL: the walk must stop at that position.
    if (n > 0) DecodeAll(sentence, static_cast<int32_t>(data[0] % n));

    // Then the input split at each '$', one sentence at a time.
    size_t start = 0;
    while (start < size) {
        size_t end = start + 1;
        while (end < size && data[end] != '$')
            ++end;
        n = end - start < kCapacity - 1 ? end - start : kCapacity - 1;
        std::memcpy(sentence, data + start, n);
        sentence[n] = '\0';
        DecodeAll(sentence, static_cast<int32_t>(n));
        start = end;
    }

    // And as the program takes it: in chunks, whatever state the stream is in.
    const size_t chunk = size == 0 ? 1 : data[size - 1] % 64 + 1;
    for (size_t at = 0; at < size; at += chunk) {
        const size_t n = size - at < chunk ? size - at : chunk;
        AssembleBytes(
            Assembler, data + at, static_cast<int32_t>(n), [](const SentenceAssembler& a) {
                Check(a.sentenceLength >= 0 && a.sentenceLength < kSentenceCapacity);
                const SentenceKind kind = ClassifySentence(a.sentenceText, a.sentenceLength);
                // A line that passes has its checksum; only what carries
                // nothing passes without one.
                if (kind != SentenceKind::kFailed &&
                    !CarriesNothing(a.sentenceText, a.sentenceLength)) {
                    Check(CarriesMatchingChecksum(a.sentenceText));
                    const int32_t shown = EchoLength(a.sentenceText, a.sentenceLength);
                    Check(shown >= 4 && shown <= a.sentenceLength);
                }
                (void)DecodeSentence(Nav, kind, a.sentenceText, a.sentenceLength, ++tickMs);
            });
    }
    return 0;
}
