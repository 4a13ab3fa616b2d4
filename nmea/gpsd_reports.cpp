#include "nmea/gpsd_reports.h"

#include <gps.h>
#include <time.h>

#include <cmath>
#include <cstring>

// Earlier versions have neither the altitude above mean sea level nor each
// satellite's system and own number.
#if GPSD_API_MAJOR_VERSION < 9
#error "libgps of gpsd 3.20 or later is needed (GPSD_API_MAJOR_VERSION 9)"
#endif

GpsdReceiver Receiver;

namespace {

GpsdReportReader reportReader = nullptr;

// What libgps makes of the reports: large (24 KB with API 11), so kept for
// the program's life, and only the parts of each report used.
gps_data_t reportData;

constexpr char kClassPrefix[] = "{\"class\":\"";
constexpr double kKnotsPerMetreSecond = 3600.0 / 1852.0;

// gpsd_json(5) gives the status as a number, which is stable where the names
// of libgps's constants are not (STATUS_DGPS_FIX became STATUS_DGPS).
int FixStatus(const gps_data_t& data) {
#if GPSD_API_MAJOR_VERSION >= 10
    return data.fix.status;
#else
    return data.status;
#endif
}

// gpsd's status as GGA's quality indicator numbers it, so that one field
// serves NMEA and gpsd sources. A fix without a status is a plain one.
uint8_t QualityOf(int mode, int status) {
    if (mode < MODE_2D) return 0;
    switch (status) {
        case 2:  // DGPS
            return 2;
        case 3:  // RTK fixed
            return 4;
        case 4:  // RTK float
            return 5;
        case 5:  // dead reckoning
        case 6:  // GNSS and dead reckoning
            return 6;
        case 7:  // time only: a surveyed-in or manual position
            return 7;
        case 8:  // simulated
            return 8;
        case 9:  // the military PPS service
            return 3;
        default:
            return 1;
    }
}

// The class of a report from its start: gpsd writes every report as one
// object whose first member is its class. False for anything else.
bool ReadClass(const char* line, int32_t length, char (&name)[kGpsdClassCapacity]) {
    constexpr int32_t kPrefix = sizeof kClassPrefix - 1;
    if (length < kPrefix + 3 || std::memcmp(line, kClassPrefix, kPrefix) != 0 ||
        line[length - 1] != '}') {
        return false;
    }
    int32_t n = 0;
    for (int32_t i = kPrefix; i < length && n < kGpsdClassCapacity; ++i) {
        const char c = line[i];
        if (c == '"') {
            name[n] = '\0';
            return n > 0;
        }
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) return false;
        name[n++] = c;
    }
    return false;
}

bool Is(const char* name, const char* wanted) {
    return std::strcmp(name, wanted) == 0;
}

template <int kCapacity>
void CopyText(char (&to)[kCapacity], const char* from) {
    std::strncpy(to, from, kCapacity - 1);
    to[kCapacity - 1] = '\0';
}

// Whether a report of this device is the followed receiver's. The first
// device reported is followed when the source names none; a report without
// a device speaks for the receiver gpsd serves.
bool Ours(const char* device) {
    if (device[0] == '\0') return true;
    if (Receiver.device[0] == '\0' && !Receiver.named) CopyText(Receiver.device, device);
    return std::strcmp(device, Receiver.device) == 0;
}

// gpsd's DEVICE report of a receiver it closed: its path, then "activated":0.
bool ClosedDevice(const char* line) {
    const char* activated = std::strstr(line, "\"activated\":0");
    if (activated == nullptr || reportData.dev.path[0] == '\0') return false;
    const char after = activated[sizeof "\"activated\":0" - 1];
    return after == ',' || after == '}';
}

bool Active(const devconfig_t& device) {
    return device.activated.tv_sec != 0 || device.activated.tv_nsec != 0;
}

ReportKind ReadDevices() {
    const int count = reportData.devices.ndevices;
    if (count > 0 && Receiver.device[0] == '\0' && !Receiver.named) {
        CopyText(Receiver.device, reportData.devices.list[0].path);
    }
    Receiver.held = false;
    for (int i = 0; i < count && i < MAXUSERDEVS; ++i) {
        const devconfig_t& device = reportData.devices.list[i];
        if (std::strcmp(device.path, Receiver.device) != 0) continue;
        Receiver.held = true;
        Receiver.gone = false;
        if (device.driver[0] != '\0') CopyText(Receiver.driver, device.driver);
    }
    CopyText(Receiver.lastClass, "DEVICES");
    return ReportKind::kDevice;
}

// A device that gpsd opens, identifies or closes: activated 0 means closed.
ReportKind ReadDevice() {
    const devconfig_t& device = reportData.dev;
    if (device.path[0] == '\0') return ReportKind::kUnreadable;
    if (Receiver.device[0] == '\0' && !Receiver.named && !Active(device)) {
        return ReportKind::kOtherDevice;
    }
    if (!Ours(device.path)) return ReportKind::kOtherDevice;
    Receiver.held = Active(device);
    Receiver.gone = !Receiver.held;
    if (device.driver[0] != '\0') CopyText(Receiver.driver, device.driver);
    CopyText(Receiver.lastClass, "DEVICE");
    return ReportKind::kDevice;
}

// Degrees to NMEA's ddmm.mmmm, magnitude only, with the hemisphere letter.
float DegreesMinutes(double degrees, char positive, char negative, char* hemisphere) {
    *hemisphere = degrees < 0 ? negative : positive;
    const double magnitude = std::fabs(degrees);
    const double whole = std::floor(magnitude);
    return static_cast<float>(whole * 100.0 + (magnitude - whole) * 60.0);
}

void SetAccuracy(FixAccuracy& accuracy, AccuracyValue bit, float* field, double value) {
    if (std::isfinite(value)) {
        *field = static_cast<float>(value);
        accuracy.known = static_cast<uint16_t>(accuracy.known | bit);
    } else {
        accuracy.known = static_cast<uint16_t>(accuracy.known & ~bit);
    }
}

// TPV: the fields a GGA and an RMC sentence would carry, as NMEA writes them.
// A value the report leaves out keeps what the record holds, as a sentence
// that leaves a field out does; the error estimates are the fix's own.
void ReadFix(NavRecord& record) {
    const gps_fix_t& fix = reportData.fix;
    if ((reportData.set & MODE_SET) != 0) {
        record.fixType = fix.mode >= MODE_NOT_SEEN && fix.mode <= MODE_3D ? fix.mode : 0;
        record.fixQuality = QualityOf(fix.mode, FixStatus(reportData));
        record.rmcStatus = fix.mode >= MODE_2D ? 'A' : 'V';
    }
    if ((reportData.set & TIME_SET) != 0 && fix.time.tv_sec > 0) {
        const time_t seconds = fix.time.tv_sec;
        tm utc{};
        if (gmtime_r(&seconds, &utc) != nullptr) {
            const double time = utc.tm_hour * 10000.0 + utc.tm_min * 100.0 + utc.tm_sec +
                                static_cast<double>(fix.time.tv_nsec) * 1e-9;
            record.ggaTime = record.rmcTime = static_cast<float>(time);
            record.rmcDate = static_cast<float>(utc.tm_mday * 10000 + (utc.tm_mon + 1) * 100 +
                                                utc.tm_year % 100);
        }
    }
    if (std::isfinite(fix.latitude) && std::isfinite(fix.longitude)) {
        record.ggaLatitude = record.rmcLatitude =
            DegreesMinutes(fix.latitude, 'N', 'S', &record.ggaNorthSouth);
        record.ggaLongitude = record.rmcLongitude =
            DegreesMinutes(fix.longitude, 'E', 'W', &record.ggaEastWest);
        record.rmcNorthSouth = record.ggaNorthSouth;
        record.rmcEastWest = record.ggaEastWest;
    }
    if (std::isfinite(fix.altMSL) || std::isfinite(fix.geoid_sep)) {
        if (std::isfinite(fix.altMSL)) record.altitude = static_cast<float>(fix.altMSL);
        if (std::isfinite(fix.geoid_sep)) {
            record.geoidSeparation = static_cast<float>(fix.geoid_sep);
        }
        record.displayAltitude = record.geoidSeparation + record.altitude;
    }
    if (std::isfinite(fix.speed)) {
        record.speedKnots = static_cast<float>(fix.speed * kKnotsPerMetreSecond);
    }
    if (std::isfinite(fix.track)) record.courseDegrees = static_cast<float>(fix.track);
    if (std::isfinite(fix.magnetic_var)) {
        record.magneticVariation = static_cast<float>(std::fabs(fix.magnetic_var));
        record.magVarEastWest = fix.magnetic_var < 0 ? 'W' : 'E';
    }
    FixAccuracy& accuracy = record.accuracy;
    SetAccuracy(accuracy, kHorizontalError, &accuracy.horizontalError, fix.eph);
    SetAccuracy(accuracy, kVerticalError, &accuracy.verticalError, fix.epv);
}

// The system and own number of a satellite: gpsd's gnssid and svid, or for a
// satellite without them its PRN by gpsd's ranges (GLONASS 65-96, QZSS
// 193-202, Galileo 301-336, BeiDou 401-463, SBAS by PRN).
bool Identify(const satellite_t& satellite, GnssSystem* system, uint16_t* number) {
    int32_t own = satellite.svid;
    if (own == 0) {
        const int32_t prn = satellite.PRN;
        if (!satellite_identity::RangeSystem(prn, true, system)) return false;
        switch (*system) {
            case GnssSystem::kSbas:
                own = prn < 100 ? prn + 87 : prn;
                break;
            case GnssSystem::kGlonass:
                own = prn - 64;
                break;
            case GnssSystem::kQzss:
                own = prn - 192;
                break;
            case GnssSystem::kGalileo:
                own = prn - 300;
                break;
            case GnssSystem::kBeidou:
                own = prn - 400;
                break;
            default:
                own = prn;
                break;
        }
    } else {
        switch (satellite.gnssid) {
            case GNSSID_GPS:
                *system = GnssSystem::kGps;
                break;
            case GNSSID_SBAS:
                *system = GnssSystem::kSbas;
                break;
            case GNSSID_GAL:
                *system = GnssSystem::kGalileo;
                break;
            case GNSSID_BD:
                *system = GnssSystem::kBeidou;
                break;
            case GNSSID_QZSS:
                *system = GnssSystem::kQzss;
                break;
            case GNSSID_GLO:
                // 255: a GLONASS satellite whose slot is not known yet.
                if (own == 255) return false;
                *system = GnssSystem::kGlonass;
                break;
            case GNSSID_IRNSS:
                *system = GnssSystem::kNavic;
                break;
            default:  // IMES: indoor transmitters, no satellites
                return false;
        }
    }
    if (own < 1 || own > kMaxSatelliteNumber) return false;
    *number = static_cast<uint16_t>(own);
    return true;
}

uint16_t WholeDegrees(double degrees) {
    return static_cast<uint16_t>(std::lround(degrees));
}

// SKY: every signal of every satellite, and the dilutions of precision. A
// report without a list of satellites (some carry only the DOPs) keeps the
// sky, which libgps would empty.
void ReadSky(NavRecord& record, bool listsSatellites) {
    if (listsSatellites && (reportData.set & SATELLITE_SET) != 0) {
        int32_t count = 0;
        const int listed = reportData.satellites_visible;
        for (int i = 0; i < listed && i < MAXCHANNELS && count < kReportedSignals; ++i) {
            const satellite_t& s = reportData.skyview[i];
            ReportedSignal signal{};
            if (!Identify(s, &signal.system, &signal.number)) continue;
            // Below the horizon, or not located yet: no place on the plot.
            if (std::isfinite(s.elevation) && std::isfinite(s.azimuth) && s.elevation >= 0.0 &&
                s.elevation <= 90.0 && s.azimuth >= 0.0 && s.azimuth < 360.0) {
                signal.located = 1;
                signal.elevation = WholeDegrees(s.elevation);
                signal.azimuth = static_cast<uint16_t>(WholeDegrees(s.azimuth) % 360);
            }
            // As the GSV decoder keeps it: 0 to 99 as sent, anything else not tracked.
            const long snr = std::isfinite(s.ss) ? std::lround(s.ss) : 0;
            signal.snr = snr >= 0 && snr <= 99 ? static_cast<float>(snr) : 0.0f;
            signal.used = s.used ? 1 : 0;
            record.reportedSky.signals[count++] = signal;
        }
        record.reportedSky.count = count;
        record.satellitesInView = static_cast<uint8_t>(listed < 255 ? listed : 255);
        const int used = reportData.satellites_used;
        record.satellitesUsed = static_cast<uint8_t>(used < 0 ? 0 : (used < 255 ? used : 255));
    }
    const dop_t& dop = reportData.dop;
    if (std::isfinite(dop.hdop)) record.hdop = record.ggaHdop = static_cast<float>(dop.hdop);
    if (std::isfinite(dop.pdop)) record.pdop = static_cast<float>(dop.pdop);
    if (std::isfinite(dop.vdop)) record.vdop = static_cast<float>(dop.vdop);
}

// GST: the error ellipse and the standard deviations, each known or not.
void ReadErrors(NavRecord& record) {
    const gst_t& gst = reportData.gst;
    FixAccuracy& a = record.accuracy;
    SetAccuracy(a, kRangeResidual, &a.rangeResidual, gst.rms_deviation);
    SetAccuracy(a, kEllipseMajor, &a.ellipseMajor, gst.smajor_deviation);
    SetAccuracy(a, kEllipseMinor, &a.ellipseMinor, gst.sminor_deviation);
    SetAccuracy(a, kEllipseOrientation, &a.ellipseOrientation, gst.smajor_orientation);
    SetAccuracy(a, kLatitudeSigma, &a.latitudeSigma, gst.lat_err_deviation);
    SetAccuracy(a, kLongitudeSigma, &a.longitudeSigma, gst.lon_err_deviation);
    SetAccuracy(a, kAltitudeSigma, &a.altitudeSigma, gst.alt_err_deviation);
}

}  // namespace

void FollowGpsdReceiver(const char* device) {
    Receiver = GpsdReceiver{};
    if (device != nullptr) CopyText(Receiver.device, device);
    Receiver.named = Receiver.device[0] != '\0';
}

void UseGpsdReportReader(GpsdReportReader reader) {
    reportReader = reader;
}

bool HaveGpsdReportReader() {
    return reportReader != nullptr;
}

ReportKind DecodeGpsdReport(NavRecord& record, char* line, int32_t length, bool cut) {
    char name[kGpsdClassCapacity];
    // A NUL would end the text early for libgps, which would take the head
    // of an object for all of it.
    if (reportReader == nullptr || cut || length <= 0 ||
        std::memchr(line, '\0', static_cast<size_t>(length)) != nullptr ||
        !ReadClass(line, length, name)) {
        return ReportKind::kUnreadable;
    }
    // Answers to a command this program does not send.
    if (Is(name, "POLL")) return ReportKind::kReply;
    // Reports without a device or driver leave libgps's copies as they were.
    reportData.set = 0;
    reportData.dev.path[0] = '\0';
    reportData.dev.driver[0] = '\0';
    reportData.error[0] = '\0';
    const bool listsSatellites = std::strstr(line, "\"satellites\":") != nullptr;
    const char* end = nullptr;
    const int status = reportReader(line, &reportData, &end);
    // gpsd says a receiver closed with "activated":0, which libgps reads as
    // an error after the path; that report is taken as gpsd means it.
    if (status > 0 && Is(name, "DEVICE") && ClosedDevice(line)) {
        reportData.dev.activated = timespec{};
        return ReadDevice();
    }
    // A JSON error: what was read before it is not trusted.
    if (status > 0) return ReportKind::kUnreadable;
    // A class libgps does not know (a newer gpsd's): nothing to show.
    if (status < 0) return ReportKind::kOther;

    if (Is(name, "ERROR")) {
        CopyText(Receiver.refusal, reportData.error);
        return ReportKind::kRefusal;
    }
    if (Is(name, "VERSION") || Is(name, "WATCH")) return ReportKind::kReply;
    if (Is(name, "DEVICES")) return ReadDevices();
    if (Is(name, "DEVICE")) return ReadDevice();
    if (!Ours(reportData.dev.path)) return ReportKind::kOtherDevice;
    CopyText(Receiver.lastClass, name);
    if (Is(name, "TPV")) {
        ReadFix(record);
        return ReportKind::kFix;
    }
    if (Is(name, "SKY")) {
        ReadSky(record, listsSatellites);
        return ReportKind::kSky;
    }
    if (Is(name, "GST")) {
        ReadErrors(record);
        return ReportKind::kAccuracy;
    }
    return ReportKind::kOther;
}

void ResetGpsdReports() {
    Receiver = GpsdReceiver{};
    std::memset(&reportData, 0, sizeof reportData);
}
