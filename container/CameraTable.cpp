#include "container/CameraTable.hpp"

#include <algorithm>
#include <array>
#include <string_view>
#include <utility>

#include "container/CameraTableCanon.hpp"
#include "container/CameraTableNikon.hpp"
#include "container/CameraTableOlympus.hpp"
#include "container/CameraTableOthers.hpp"
#include "container/CameraTablePentax.hpp"
#include "container/CameraTableSony.hpp"

namespace korvane {

namespace {

using namespace camera_rows;

// What a file no row describes is given: DNG, read with its own tags.
constexpr CameraDescription kDefaultRow = [] {
    CameraDescription row;
    row.model = "Unidentified model";
    row.fileKind = file_kind::kAny;
    row.formatCode = format_code::kDng;
    row.mainImageRule = main_image_rule::kReaderChoice;
    return row;
}();

template <std::size_t... N>
constexpr auto joined(const std::array<CameraDescription, N>&... parts) {
    std::array<CameraDescription, (N + ...)> all{};
    auto out = all.begin();
    ((out = std::ranges::copy(parts, out).out), ...);
    return all;
}

constexpr auto kTable =
    joined(kCanonRows, kHasselbladToMamiyaRows, kNikonRows, kPentaxRows, kOlympusRows,
           kPhaseOneAndSinarRows, kSonyRows, std::array<CameraDescription, 1>{kDefaultRow});

// The cameras the table must describe, make and model as the cameras write them, in the
// order in which rows are tried; a name appears once per row.
constexpr std::array<std::pair<std::string_view, std::string_view>, kListedCameraRows> kListedNames{
    {
        {"Canon", "Canon EOS 10D"},
        {"Canon", "Canon EOS 10D"},
        {"Canon", "Canon EOS 20D"},
        {"Canon", "Canon EOS 30D"},
        {"Canon", "Canon EOS 40D"},
        {"Canon", "Canon EOS 40D"},
        {"Canon", "Canon EOS 50D"},
        {"Canon", "Canon EOS 50D"},
        {"Canon", "Canon EOS 350D DIGITAL"},
        {"Canon", "Canon EOS DIGITAL REBEL XT"},
        {"Canon", "Canon EOS 350D DIGITAL REBEL XT"},
        {"Canon", "Canon EOS 400D DIGITAL"},
        {"Canon", "Canon EOS DIGITAL REBEL XTi"},
        {"Canon", "Canon EOS 450D"},
        {"Canon", "Canon EOS DIGITAL REBEL XSi"},
        {"Canon", "Canon EOS Kiss X2"},
        {"Canon", "Canon EOS 500D"},
        {"Canon", "Canon EOS REBEL T1i"},
        {"Canon", "Canon EOS Kiss X3"},
        {"Canon", "Canon EOS 1000D"},
        {"Canon", "Canon EOS DIGITAL REBEL XS"},
        {"Canon", "Canon EOS Kiss F"},
        {"Canon", "Canon EOS 5D"},
        {"Canon", "Canon EOS 5D Mark II"},
        {"Canon", "Canon EOS 7D"},
        {"Canon", "Canon EOS-1Ds Mark II"},
        {"Canon", "Canon EOS-1Ds Mark III"},
        {"Canon", "Canon EOS-1D Mark II"},
        {"Canon", "Canon EOS-1D Mark II N"},
        {"Canon", "Canon EOS-1D Mark III"},
        {"Canon", "Canon PowerShot G9"},
        {"Canon", "Canon PowerShot G10"},
        {"Canon", "Canon PowerShot G11"},
        {"Canon", "Canon PowerShot SX1 IS"},
        {"Canon", "Canon PowerShot S90"},
        {"Hasselblad", "Hasselblad H3D"},
        {"Hasselblad", "Hasselblad H3D"},
        {"Hasselblad", "Hasselblad H3D II-31"},
        {"Kodak", "DCS Pro SLR/n"},
        {"Kodak", "DCS Pro SLR/c"},
        {"Kodak", "DCS Pro 14N"},
        {"Not identified in the raw file", "Not identified in the raw file"},
        {"Leica Camera AG", "R8 - Digital Back DMR"},
        {"Leica Camera AG", "M8 Digital Camera"},
        {"Mamiya-OP Co.,Ltd.", "MAMIYA ZD"},
        {"NIKON CORPORATION", "NIKON D5000"},
        {"NIKON CORPORATION", "NIKON D40"},
        {"NIKON CORPORATION", "NIKON D40X"},
        {"NIKON CORPORATION", "NIKON D50"},
        {"NIKON CORPORATION", "NIKON D60"},
        {"NIKON CORPORATION", "NIKON D60"},
        {"NIKON CORPORATION", "NIKON D70"},
        {"NIKON CORPORATION", "NIKON D70s"},
        {"NIKON CORPORATION", "NIKON D80"},
        {"NIKON CORPORATION", "NIKON D90"},
        {"NIKON CORPORATION", "NIKON D100 "},
        {"NIKON CORPORATION", "NIKON D100 "},
        {"NIKON CORPORATION", "NIKON D100"},
        {"NIKON CORPORATION", "NIKON D200"},
        {"NIKON CORPORATION", "NIKON D200"},
        {"NIKON CORPORATION", "NIKON D200"},
        {"NIKON CORPORATION", "NIKON D2X"},
        {"NIKON CORPORATION", "NIKON D2X"},
        {"NIKON CORPORATION", "NIKON D2X"},
        {"NIKON CORPORATION", "NIKON D2X"},
        {"NIKON CORPORATION", "NIKON D2Xs"},
        {"NIKON CORPORATION", "NIKON D2Xs"},
        {"NIKON CORPORATION", "NIKON D300"},
        {"NIKON CORPORATION", "NIKON D300"},
        {"NIKON CORPORATION", "NIKON D300"},
        {"NIKON CORPORATION", "NIKON D300"},
        {"NIKON CORPORATION", "NIKON D300"},
        {"NIKON CORPORATION", "NIKON D300S"},
        {"NIKON CORPORATION", "NIKON D300S"},
        {"NIKON CORPORATION", "NIKON D300S"},
        {"NIKON CORPORATION", "NIKON D300S"},
        {"NIKON CORPORATION", "NIKON D300S"},
        {"NIKON CORPORATION", "NIKON D700"},
        {"NIKON CORPORATION", "NIKON D700"},
        {"NIKON CORPORATION", "NIKON D700"},
        {"NIKON CORPORATION", "NIKON D700"},
        {"NIKON CORPORATION", "NIKON D700"},
        {"NIKON CORPORATION", "NIKON D700"},
        {"NIKON CORPORATION", "NIKON D700"},
        {"NIKON CORPORATION", "NIKON D700"},
        {"NIKON CORPORATION", "NIKON D3"},
        {"NIKON CORPORATION", "NIKON D3"},
        {"NIKON CORPORATION", "NIKON D3"},
        {"NIKON CORPORATION", "NIKON D3"},
        {"NIKON CORPORATION", "NIKON D3"},
        {"NIKON CORPORATION", "NIKON D3S"},
        {"NIKON CORPORATION", "NIKON D3S"},
        {"NIKON CORPORATION", "NIKON D3S"},
        {"NIKON CORPORATION", "NIKON D3S"},
        {"NIKON CORPORATION", "NIKON D3X"},
        {"NIKON CORPORATION", "NIKON D3X"},
        {"NIKON CORPORATION", "NIKON D3X"},
        {"NIKON CORPORATION", "NIKON D3X"},
        {"NIKON", "E8800"},
        {"NIKON", "COOLPIX P6000"},
        {"PENTAX Corporation ", "PENTAX *ist D      "},
        {"PENTAX Corporation ", "PENTAX K10D        "},
        {"PENTAX Corporation ", "PENTAX K10D        "},
        {"PENTAX Corporation ", "PENTAX K100D       "},
        {"PENTAX Corporation ", "PENTAX K200D       "},
        {"PENTAX             ", "PENTAX K20D        "},
        {"PENTAX             ", "PENTAX K-7         "},
        {"PENTAX             ", "PENTAX K-7         "},
        {"PENTAX", "PENTAX K-7"},
        {"OLYMPUS CORPORATION    ", "E-1             "},
        {"OLYMPUS IMAGING CORP.  ", "E-3             "},
        {"OLYMPUS IMAGING CORP.  ", "E-30            "},
        {"OLYMPUS IMAGING CORP.  ", "E-300           "},
        {"OLYMPUS IMAGING CORP.  ", "E-400           "},
        {"OLYMPUS IMAGING CORP.  ", "E-410           "},
        {"OLYMPUS IMAGING CORP.  ", "E-420           "},
        {"OLYMPUS IMAGING CORP.  ", "E-450           "},
        {"OLYMPUS IMAGING CORP.  ", "E-500           "},
        {"OLYMPUS IMAGING CORP.  ", "E-510           "},
        {"OLYMPUS IMAGING CORP.  ", "E-520           "},
        {"OLYMPUS IMAGING CORP.  ", "E-620           "},
        {"OLYMPUS IMAGING CORP.  ", "E-P1            "},
        {"Phase One A/S", "P25+"},
        {"Phase One A/S", "P30"},
        {"Phase One A/S", "P30+"},
        {"Phase One A/S", "P65+"},
        {"SINAR", "eMotion 22"},
        {"SINAR", "eMotion 75 "},
        {"Sinar AG", "Rollei 600x/ Sinarback eMotion 54"},
        {"Sinar AG", "Sinar Hy6 65"},
        {"SONY", "DSLR-A700"},
        {"SONY ", "DSLR-A700"},
        {"SONY ", "DSLR-A850"},
        {"SONY ", "DSLR-A900"},
        {"SONY ", "DSLR-A700"},
        {"SONY ", "DSLR-A850"},
        {"SONY ", "DSLR-A900"},
    }};

constexpr bool namesInListedOrder() {
    for (std::size_t i = 0; i < kListedNames.size(); ++i)
        if (kTable[i].make != kListedNames[i].first || kTable[i].model != kListedNames[i].second)
            return false;
    return true;
}

// A level table lists each ISO once and ends with its one ISO 0 row, where the look-up stops.
constexpr bool levelTablesEndWithTheDefault() {
    for (const CameraDescription& row : kTable) {
        const auto levels = row.isoLevels;
        for (std::size_t i = 0; i < levels.size(); ++i) {
            if ((levels[i].iso == 0) != (i + 1 == levels.size())) return false;
            for (std::size_t j = 0; j < i; ++j)
                if (levels[j].iso == levels[i].iso) return false;
        }
    }
    return true;
}

constexpr std::size_t indexOf(std::string_view make, std::string_view model) {
    for (std::size_t i = 0; i < kTable.size(); ++i)
        if (kTable[i].make == make && kTable[i].model == model) return i;
    return kTable.size();
}
constexpr std::size_t kUnidentifiedIndex =
    indexOf("Not identified in the raw file", "Not identified in the raw file");

static_assert(kTable.size() == kListedCameraRows + 1, "137 rows and the default row");
static_assert(namesInListedOrder(), "the rows, by name, in the listed order");
static_assert(kTable.back().make.empty() && kTable.back().model == "Unidentified model" &&
                  kTable.back().vendor == vendor::kNone &&
                  kTable.back().formatCode == format_code::kDng,
              "the default row ends the table");
static_assert(levelTablesEndWithTheDefault(), "every level table ends with its ISO 0 row");
static_assert(kUnidentifiedIndex < kListedCameraRows &&
                  kTable[kUnidentifiedIndex].formatCode == format_code::kUnidentifiedTiled,
              "the unidentified tiled camera has its row");

} // namespace

std::span<const CameraDescription> cameraTable() {
    return kTable;
}

const CameraDescription& defaultCameraDescription() {
    return kTable.back();
}

const CameraDescription& unidentifiedTiledCamera() {
    return kTable[kUnidentifiedIndex];
}

} // namespace korvane
