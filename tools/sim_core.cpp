#include "sim_core.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>

#include "sim_sentences.h"

namespace sim {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kPoolPrns[kMaxSatellites] = {2, 5, 7, 9, 12, 13, 15, 18, 20, 21, 25, 26, 29, 31};

// ddmm.mmmm or dddmm.mmmm with the hemisphere letter, from decimal degrees.
void FormatAngle(double degrees, int degreeDigits, char positive, char negative, char* out,
                 std::size_t capacity) {
    const char hemisphere = degrees < 0 ? negative : positive;
    const long long tenThousandths = std::llround(std::fabs(degrees) * 60.0 * 10000.0);
    const long long whole = tenThousandths / 600000;
    const long long rest = tenThousandths % 600000;
    std::snprintf(out, capacity, "%0*lld%02lld.%04lld,%c", degreeDigits, whole, rest / 10000,
                  rest % 10000, hemisphere);
}

}  // namespace

namespace parts {

std::uint32_t Mix(std::uint32_t a, std::uint32_t b) {
    std::uint32_t h = a * 0x9E3779B1u ^ (b + 0x7F4A7C15u);
    h ^= h >> 16;
    h *= 0x85EBCA6Bu;
    h ^= h >> 13;
    h *= 0xC2B2AE35u;
    h ^= h >> 16;
    return h;
}

void AppendSentence(Burst* burst, std::size_t budget, const char* body, bool corrupt) {
    const std::size_t length = std::strlen(body);
    std::uint8_t sum = NmeaChecksum(body, length);
    if (corrupt) sum ^= 0x01;
    char line[288];
    const int n = std::snprintf(line, sizeof line, "$%s*%02X\r\n", body, sum);
    if (n <= 0 || static_cast<std::size_t>(n) >= sizeof line) return;
    if (budget > sizeof burst->bytes) budget = sizeof burst->bytes;
    if (burst->size + static_cast<std::size_t>(n) > budget) return;
    std::memcpy(burst->bytes + burst->size, line, static_cast<std::size_t>(n));
    burst->size += static_cast<std::size_t>(n);
}

// The receiver drives a slow circle of 200 m radius around the start point,
// once every 20 minutes.
Moment MomentAt(const ReceiverConfig& config, std::uint32_t second) {
    constexpr double kRadiusMetres = 200.0;
    constexpr double kPeriodSeconds = 1200.0;
    constexpr double kMetresPerDegree = 111320.0;
    Moment m{};
    const double angle = 2.0 * kPi * static_cast<double>(second) / kPeriodSeconds;
    const double north = kRadiusMetres * std::sin(angle);
    const double east = kRadiusMetres * (1.0 - std::cos(angle));
    double cosLat = std::cos(config.latitude * kPi / 180.0);
    if (cosLat < 0.01) cosLat = 0.01;
    double latitude = config.latitude + north / kMetresPerDegree;
    double longitude = config.longitude + east / (kMetresPerDegree * cosLat);
    if (latitude > 89.9999) latitude = 89.9999;
    if (latitude < -89.9999) latitude = -89.9999;
    if (longitude > 180.0) longitude -= 360.0;
    if (longitude < -180.0) longitude += 360.0;
    FormatAngle(latitude, 2, 'N', 'S', m.latitude, sizeof m.latitude);
    FormatAngle(longitude, 3, 'E', 'W', m.longitude, sizeof m.longitude);
    const double metresPerSecond = 2.0 * kPi * kRadiusMetres / kPeriodSeconds;
    m.speedKnots = metresPerSecond * 3600.0 / 1852.0;
    // Moving counter-clockwise seen from above: heading is the tangent.
    m.courseDegrees = std::fmod(90.0 - angle * 180.0 / kPi + 720.0, 360.0);
    m.altitude = 412.0 + 6.0 * std::sin(static_cast<double>(second) / 90.0);

    const std::time_t when = static_cast<std::time_t>(config.startUnixSeconds + second);
    std::tm utc{};
    gmtime_r(&when, &utc);
    std::snprintf(m.time, sizeof m.time, "%02d%02d%02d.00", utc.tm_hour, utc.tm_min, utc.tm_sec);
    std::snprintf(m.date, sizeof m.date, "%02d%02d%02d", utc.tm_mday, utc.tm_mon + 1,
                  utc.tm_year % 100);
    return m;
}

bool Corrupt(const ReceiverConfig& config, std::uint32_t second, std::uint32_t index) {
    if (config.corruptPercent <= 0) return false;
    return static_cast<int>(Mix(second, index) % 100u) < config.corruptPercent;
}

Dops DopsFor(int used) {
    Dops d{};
    d.hdop = used > 0 ? 0.6 + 4.0 / used : 0.0;
    d.vdop = used > 0 ? 0.9 + 6.0 / used : 0.0;
    d.pdop = std::sqrt(d.hdop * d.hdop + d.vdop * d.vdop);
    return d;
}

void Body::Add(const char* format, ...) {
    if (size_ >= sizeof text_) return;
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(text_ + size_, sizeof text_ - size_, format, args);
    va_end(args);
    if (n > 0) size_ += static_cast<std::size_t>(n);
}

void AddGsa(Body* body, FixKind fix, const SatelliteView* satellites, int count, const Dops& dops,
            int systemId) {
    body->Add("GSA,A,%d", static_cast<int>(fix));
    int slots = 0;
    for (int i = 0; i < count && slots < 12; ++i) {
        if (!satellites[i].used) continue;
        body->Add(",%02d", satellites[i].prn);
        ++slots;
    }
    for (; slots < 12; ++slots)
        body->Add(",");
    if (fix == FixKind::kNone) {
        body->Add(",,,");
    } else {
        body->Add(",%.1f,%.1f,%.1f", dops.pdop, dops.hdop, dops.vdop);
    }
    if (systemId != 0) body->Add(",%d", systemId);
}

void AddGga(Body* body, const char* talker, FixKind fix, const Moment& m, int used,
            const Dops& dops) {
    if (fix == FixKind::kNone) {
        body->Add("%sGGA,%s,,,,,0,00,,,M,,M,,", talker, m.time);
    } else {
        body->Add("%sGGA,%s,%s,%s,1,%02d,%.1f,%.1f,M,47.3,M,,", talker, m.time, m.latitude,
                  m.longitude, used, dops.hdop, m.altitude);
    }
}

void AddRmc(Body* body, const char* talker, FixKind fix, const Moment& m, bool navStatus) {
    if (fix == FixKind::kNone) {
        body->Add("%sRMC,%s,V,,,,,,,%s,,,N", talker, m.time, m.date);
    } else {
        body->Add("%sRMC,%s,A,%s,%s,%.1f,%.1f,%s,,,A", talker, m.time, m.latitude, m.longitude,
                  m.speedKnots, m.courseDegrees, m.date);
    }
    if (navStatus) body->Add(",V");
}

}  // namespace parts

using parts::AppendSentence;
using parts::Body;
using parts::Corrupt;

std::uint8_t NmeaChecksum(const char* body, std::size_t length) {
    std::uint8_t sum = 0;
    std::size_t i = 0;
    if (length > 0 && body[0] == '$') i = 1;
    for (; i < length && body[i] != '*'; ++i)
        sum ^= static_cast<std::uint8_t>(body[i]);
    return sum;
}

FixKind FixAt(std::uint32_t second) {
    if (second < 3) return FixKind::kNone;
    if (second < 6) return FixKind::k2D;
    return FixKind::k3D;
}

int SatellitesAt(std::uint32_t second, SatelliteView (&out)[kMaxSatellites]) {
    const double t = static_cast<double>(second);
    // The count drifts between 10 and 14 over ten minutes.
    const int count = 12 + static_cast<int>(std::lround(2.0 * std::sin(2.0 * kPi * t / 600.0)));
    const bool fixed = FixAt(second) != FixKind::kNone;
    int used = 0;
    for (int i = 0; i < count; ++i) {
        SatelliteView& s = out[i];
        s.prn = kPoolPrns[i];
        const double phase = 0.7 * i;
        const double rate = 2.0 * kPi / (1800.0 + 97.0 * i);
        // Squared, so that more satellites sit low in the sky than high.
        const double height = 0.5 + 0.5 * std::sin(phase + t * rate);
        s.elevation = 5 + static_cast<int>(80.0 * height * height);
        const double drift = (i % 2 == 0 ? 0.05 : -0.04) * t;
        s.azimuth = static_cast<int>(std::fmod(i * 26.0 + 13.0 + drift + 3600.0, 360.0));
        // Satellites are picked up one after another during the first seconds.
        if (second < static_cast<std::uint32_t>(i % 5)) {
            s.snr = -1;
        } else {
            s.snr = 16 + s.elevation * 35 / 100 + static_cast<int>(parts::Mix(second, s.prn) % 5u);
        }
        s.used = fixed && s.snr >= 25 && used < 12;
        if (s.used) ++used;
    }
    return count;
}

std::size_t LineBytesPerSecond(const ReceiverConfig& config) {
    return config.gnss == Gnss::kGpsOnly ? kLineBytesPerSecond : kFastLineBytesPerSecond;
}

void SynthesizeSecond(const ReceiverConfig& config, std::uint32_t second, Burst* burst) {
    if (config.gnss == Gnss::kFourSystems) {
        parts::SynthesizeFourSystems(config, second, burst);
        return;
    }
    burst->size = 0;
    const std::size_t budget = kLineBytesPerSecond;
    const parts::Moment m = parts::MomentAt(config, second);
    const FixKind fix = FixAt(second);
    SatelliteView sats[kMaxSatellites];
    const int count = SatellitesAt(second, sats);
    int usedCount = 0;
    for (int i = 0; i < count; ++i)
        usedCount += sats[i].used ? 1 : 0;
    const parts::Dops dops = parts::DopsFor(usedCount);
    const char* talker = config.talker;
    std::uint32_t index = 0;
    auto send = [&](const char* body) {
        AppendSentence(burst, budget, body, Corrupt(config, second, index++));
    };

    Body gga;
    parts::AddGga(&gga, talker, fix, m, usedCount, dops);
    send(gga.Text());

    Body gsa;
    gsa.Add("%s", talker);
    parts::AddGsa(&gsa, fix, sats, count, dops, 0);
    send(gsa.Text());

    parts::ForEachGsv(talker, sats, count, 0, send);

    Body rmc;
    parts::AddRmc(&rmc, talker, fix, m, false);
    send(rmc.Text());
}

bool Replay::Load(const char* path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    LoadBytes(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
    return !in.bad();
}

void Replay::LoadBytes(std::string bytes) {
    data_ = std::move(bytes);
    position_ = 0;
}

// A piece runs from its start up to the next '$' or the end of the log.
std::size_t Replay::PieceEnd(std::size_t from) const {
    const std::size_t next = data_.find('$', from + 1);
    return next == std::string::npos ? data_.size() : next;
}

void Replay::NextBurst(Burst* burst) {
    burst->size = 0;
    if (data_.empty()) return;
    while (position_ < data_.size()) {
        const std::size_t end = PieceEnd(position_);
        std::size_t length = end - position_;
        if (burst->size + length > kLineBytesPerSecond) {
            if (burst->size > 0) return;
            length = kLineBytesPerSecond;  // one piece longer than a whole second
        }
        std::memcpy(burst->bytes + burst->size, data_.data() + position_, length);
        burst->size += length;
        position_ += length;
    }
    position_ = 0;
}

bool ParsePosition(const char* text, double* latitude, double* longitude) {
    if (text == nullptr) return false;
    char* end = nullptr;
    const double lat = std::strtod(text, &end);
    if (end == text || *end != ',') return false;
    const char* second = end + 1;
    const double lon = std::strtod(second, &end);
    if (end == second || *end != '\0') return false;
    if (!(lat >= -90.0 && lat <= 90.0) || !(lon >= -180.0 && lon <= 180.0)) return false;
    *latitude = lat;
    *longitude = lon;
    return true;
}

}  // namespace sim
