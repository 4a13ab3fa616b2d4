// The decoded-state record: everything decoded from the receiver, in one
// global instance that every part of the program reads directly.
#pragma once

#include <cstdint>

#include "nmea/fix_accuracy.h"
#include "nmea/reception.h"
#include "nmea/reported_sky.h"
#include "nmea/sky_table.h"

// Plain data with its decode operations: an aggregate, so the global instance
// starts at zero and `Nav = {}` clears it.
class NavRecord {
  public:
    // True when the NUL-terminated sentence starts with '$' and has '*' and
    // two hex digits (either case) that equal the XOR of the bytes between.
    bool VerifyChecksum(const char* sentence) const;
    // The same for a sentence of known length (NUL-terminated there).
    bool VerifyChecksum(const char* sentence, int32_t length) const;
    void ParseGga(const char* sentence, int32_t length);
    void ParseRmc(const char* sentence, int32_t length);
    // GST: the standard deviations of the position's error, in metres.
    void ParseGst(const char* sentence, int32_t length);
    // GNS: the mode indicator of each system and the satellites used.
    void ParseGns(const char* sentence, int32_t length);
    void ParseGsa(const char* sentence, int32_t length);
    // True when the sentence is the last message of its GSV group. tickMs is
    // the time it arrived, by which groups that have gone silent expire.
    bool ParseGsv(const char* sentence, int32_t length, uint32_t tickMs);
    // Any sentence other than a GSA ends the run of GSA sentences of a fix.
    void EndGsaRun() { gsaRunOpen = 0; }
    // ddmmyy to year (2000-2099), month and day.
    void DecodeDate(float ddmmyy, int32_t* year, int32_t* month, int32_t* day) const;
    // hhmmss.ss (UTC) to local hour, minute and second; dayShift is -1, 0 or +1
    // when the hour offset moved the time into the previous or next day.
    void DecodeLocalTime(float hhmmss, int32_t* hour, int32_t* minute, int32_t* second,
                         int32_t* dayShift) const;

    int32_t noFixSeconds;
    Reception reception;
    float ggaTime;
    float ggaLatitude;
    float ggaLongitude;
    char ggaNorthSouth;  // the hemisphere letters GGA sent, NUL when it sent none
    char ggaEastWest;
    float ggaHdop;
    float altitude;
    float geoidSeparation;
    float displayAltitude;
    uint8_t fixQuality;  // as GGA numbers it: 0 none, 1 GPS, 2 DGPS, 4 RTK fixed, 5 RTK float, ...
    uint8_t satellitesUsed;
    // GNS: the letter of its mode indicator that tells most (NUL before any)
    // and its count of satellites used, which is not capped at 12 as GGA's is
    // on many receivers.
    char gnsMode;
    uint8_t gnsUsedKnown;
    uint8_t gnsSatellitesUsed;
    // The GSV groups: complete ones are the sky, the others are arriving.
    SkyGroups skyGroups;
    uint8_t gsvMessageCount;
    uint8_t gsvMessageNumber;
    uint8_t satellitesInView;
    char gsaMode;
    int32_t fixType;
    // Bit n of a system's set: its satellite number n is used in the fix, as
    // the latest run of GSA sentences naming that system listed it.
    uint64_t usedSatellites[kGnssSystemCount][kUsedWords];
    uint8_t gsaRunOpen;     // 1 while GSA sentences follow one another
    uint8_t gsaRunSystems;  // bit per GnssSystem: named so far in this run
    float pdop;
    float hdop;
    float vdop;
    float rmcTime;
    float rmcLatitude;
    float speedKnots;
    float courseDegrees;
    float magneticVariation;
    float rmcLongitude;
    char rmcStatus;
    char rmcEastWest;
    char magVarEastWest;
    char rmcNorthSouth;
    char rmcMode;         // the mode indicator of NMEA 2.3 and later, NUL when not sent
    uint8_t rmcPosition;  // 1 when the latest RMC carried a latitude and a longitude
    float rmcDate;
    // From gpsd: the sky of its latest SKY report, which the sky view takes
    // with the GSV groups'.
    ReportedSky reportedSky;
    // The fix's error, where a receiver or gpsd estimates it.
    FixAccuracy accuracy;
};

// The one decoded-state record.
extern NavRecord Nav;
