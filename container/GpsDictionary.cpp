#include "container/TagDictionaries.hpp"

#include <array>

#include "container/TagDictionaryRows.hpp"

namespace korvane {

namespace {

using namespace dictionary_rows;

// The GPS IFD of Exif 2.3: all kept, none interpreted.
constexpr std::array kGpsRows = {
    kept(0, "GPSVersionID"),        kept(1, "GPSLatitudeRef"),
    kept(2, "GPSLatitude"),         kept(3, "GPSLongitudeRef"),
    kept(4, "GPSLongitude"),        kept(5, "GPSAltitudeRef"),
    kept(6, "GPSAltitude"),         kept(7, "GPSTimeStamp"),
    kept(8, "GPSSatellites"),       kept(9, "GPSStatus"),
    kept(10, "GPSMeasureMode"),     kept(11, "GPSDOP"),
    kept(12, "GPSSpeedRef"),        kept(13, "GPSSpeed"),
    kept(14, "GPSTrackRef"),        kept(15, "GPSTrack"),
    kept(16, "GPSImgDirectionRef"), kept(17, "GPSImgDirection"),
    kept(18, "GPSMapDatum"),        kept(19, "GPSDestLatitudeRef"),
    kept(20, "GPSDestLatitude"),    kept(21, "GPSDestLongitudeRef"),
    kept(22, "GPSDestLongitude"),   kept(23, "GPSDestBearingRef"),
    kept(24, "GPSDestBearing"),     kept(25, "GPSDestDistanceRef"),
    kept(26, "GPSDestDistance"),    kept(27, "GPSProcessingMethod"),
    kept(28, "GPSAreaInformation"), kept(29, "GPSDateStamp"),
    kept(30, "GPSDifferential"),
};

static_assert(kGpsRows.size() == dictionary_size::kGps);
static_assert(sortedByTag(kGpsRows));

} // namespace

constexpr TagDictionary kGpsDictionary{kGpsRows};

} // namespace korvane
