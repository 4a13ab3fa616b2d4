// How well the position is known, in metres: the receiver's or gpsd's
// estimates of the fix's error and the standard deviations of an error
// report (GST), each with whether it is known.
#pragma once

#include <cstdint>

// Bits of FixAccuracy::known.
enum AccuracyValue : uint16_t {
    kHorizontalError = 1u << 0,
    kVerticalError = 1u << 1,
    kRangeResidual = 1u << 2,
    kEllipseMajor = 1u << 3,
    kEllipseMinor = 1u << 4,
    kEllipseOrientation = 1u << 5,
    kLatitudeSigma = 1u << 6,
    kLongitudeSigma = 1u << 7,
    kAltitudeSigma = 1u << 8,
};

struct FixAccuracy {
    uint16_t known;  // AccuracyValue bits: which of the values below hold
    // The fix's estimated error (gpsd's eph and epv).
    float horizontalError;
    float verticalError;
    // The latest error report: RMS of the range residuals, the error ellipse
    // (semi-major and semi-minor axes, orientation of the major axis in
    // degrees from true north) and the standard deviations of latitude,
    // longitude and altitude.
    float rangeResidual;
    float ellipseMajor;
    float ellipseMinor;
    float ellipseOrientation;
    float latitudeSigma;
    float longitudeSigma;
    float altitudeSigma;
};
