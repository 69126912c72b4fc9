#pragma once

// Control and resource ids of the dialog templates.
namespace korvane::ids {

// Templates.
inline constexpr int kAboutDialog = 100;
inline constexpr int kMainDialog = 102;

// Resources.
inline constexpr int kIcon = 128;
inline constexpr int kAboutMenuCommand = 16;

// Common buttons.
inline constexpr int kOk = 1;
inline constexpr int kCancel = 2;

// Main dialog.
inline constexpr int kBrowse = 1000;
inline constexpr int kPathEdit = 1001;
inline constexpr int kProcess = 1002;
inline constexpr int kPanel = 1003;
inline constexpr int kBlackSlider = 1004;
inline constexpr int kWhiteSlider = 1005;
inline constexpr int kBlackReset = 1008;
inline constexpr int kWhiteReset = 1009;
inline constexpr int kBlackEdit = 1010;
inline constexpr int kWhiteEdit = 1011;
inline constexpr int kExposureReset = 1012;
inline constexpr int kFinish = 1014;
inline constexpr int kVScroll = 1015;
inline constexpr int kHScroll = 1016;
inline constexpr int kWhiteStatistics = 1020;
inline constexpr int kBlackStatistics = 1021;
inline constexpr int kBlackR = 1022;
inline constexpr int kBlackG = 1023;
inline constexpr int kBlackB = 1024;
inline constexpr int kWhiteR = 1025;
inline constexpr int kWhiteG = 1026;
inline constexpr int kWhiteB = 1027;
inline constexpr int kHelp = 1028;
inline constexpr int kOrientLeft = 1029;    // orientation 8
inline constexpr int kOrientNormal = 1030;  // orientation 1
inline constexpr int kOrient180 = 1031;     // orientation 3
inline constexpr int kOrientRight = 1032;   // orientation 6
inline constexpr int kRadioExposure = 1034;
inline constexpr int kRadioComposite = 1035;
inline constexpr int kRadioGreyscale = 1036;
inline constexpr int kRadioChannel = 1037;
inline constexpr int kRadioHistogram = 1038;
inline constexpr int kFocusKeeper = 1040;
inline constexpr int kBlackGroup = 1041;
inline constexpr int kWhiteGroup = 1042;
inline constexpr int kDisplayGroup = 1046;
inline constexpr int kShotGroup = 1053;
inline constexpr int kShotInfo = 1054;
inline constexpr int kLabelHistogram = 1055;
inline constexpr int kLabelExposure = 1056;
inline constexpr int kLabelComposite = 1057;
inline constexpr int kLabelGreyscale = 1058;
inline constexpr int kLabelChannel = 1059;
inline constexpr int kMappingCombo = 1060;
inline constexpr int kStatisticsText = 1062;
inline constexpr int kMappingLabel = 1063;
inline constexpr int kOutsideRange = 1064;
inline constexpr int kBlCorrected = 1065;
inline constexpr int kShowClipping = 1066;
inline constexpr int kColorIntegrity = 1067;
inline constexpr int kMapped = 1068;
inline constexpr int kExposureSlider = 1069;
inline constexpr int kApplyWb = 1070;
inline constexpr int kExposureLabel = 1071;
inline constexpr int kCoordinatesText = 1072;
inline constexpr int kSelectionBox = 1073;
inline constexpr int kRawClipping = 1074;
inline constexpr int kFine = 1075;
inline constexpr int kZoomText = 1078;
inline constexpr int kHistogramText = 1080;
inline constexpr int kInfoOnly = 1171;
inline constexpr int kOptionX = 1172;
inline constexpr int kOptionY = 1173;
inline constexpr int kAdj = 1174;

// About dialog.
inline constexpr int kAboutIcon = 1100;
inline constexpr int kAboutName = 1101;
inline constexpr int kAboutVersion = 1102;
inline constexpr int kAboutNote = 1103;

} // namespace korvane::ids
