#pragma once

// Control and resource ids of the dialog templates.
namespace korvane::ids {

// Templates.
inline constexpr int kAboutDialog = 100;
inline constexpr int kMainDialog = 102;
inline constexpr int kWhiteBalanceDialog = 167;
inline constexpr int kNoiseDialog = 169;

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
inline constexpr int kOrientLeft = 1029;   // orientation 8
inline constexpr int kOrientNormal = 1030; // orientation 1
inline constexpr int kOrient180 = 1031;    // orientation 3
inline constexpr int kOrientRight = 1032;  // orientation 6
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

// White balance dialog. The coefficients are red, first green, second green and blue; each
// has a slider, an edit and a Reset button.
namespace wb {
inline constexpr int kAccept = 1079;
inline constexpr int kRedLabel = 1082;
inline constexpr int kGreenLabel = 1086;
inline constexpr int kGreen2Button = 1090;
inline constexpr int kBlueLabel = 1094;
inline constexpr int kRedSlider = 1083;
inline constexpr int kGreenSlider = 1087;
inline constexpr int kGreen2Slider = 1091;
inline constexpr int kBlueSlider = 1095;
inline constexpr int kRedEdit = 1084;
inline constexpr int kGreenEdit = 1088;
inline constexpr int kGreen2Edit = 1092;
inline constexpr int kBlueEdit = 1096;
inline constexpr int kRedReset = 1085;
inline constexpr int kGreenReset = 1089;
inline constexpr int kGreen2Reset = 1093;
inline constexpr int kBlueReset = 1097;
inline constexpr int kFocusKeeper = 1098; // hidden default button
inline constexpr int kSave1 = 1099;       // to 1103 for set 5
inline constexpr int kRecall1 = 1104;     // to 1108 for set 5
inline constexpr int kSet1Label = 1109;
inline constexpr int kSet2Label = 1111; // to 1114 for set 5
inline constexpr int kRecallAsShot = 1110;
inline constexpr int kAsShotLabel = 1115;
} // namespace wb

// Noise processing dialog.
namespace noise {
inline constexpr int kReset = 1110;
inline constexpr int kSave1 = 1112, kRecall1 = 1113;
inline constexpr int kSave2 = 1114, kRecall2 = 1115;
inline constexpr int kSave3 = 1117, kRecall3 = 1118;
inline constexpr int kSave4 = 1134, kRecall4 = 1135;
inline constexpr int kSave5 = 1137, kRecall5 = 1138;
inline constexpr int kAccept = 1120;
inline constexpr int kRevert = 1121;
// The Enable boxes.
inline constexpr int kOffsetOn = 1140;
inline constexpr int kShiftOn = 1141;
inline constexpr int kMultiplyOn = 1142;
inline constexpr int kReplaceOn = 1143;
inline constexpr int kMaskedOn = 1147;
inline constexpr int kBlackOn = 1148;
// The function buttons.
inline constexpr int kOffset = 1153;
inline constexpr int kShift = 1154;
inline constexpr int kMultiply = 1155;
inline constexpr int kReplace = 1156;
inline constexpr int kMasked = 1172;
inline constexpr int kBlack = 1173;
// Value and range with their spins and labels.
inline constexpr int kValueEdit = 1159;
inline constexpr int kRangeEdit = 1160;
inline constexpr int kValueSpin = 1161;
inline constexpr int kRangeSpin = 1162;
inline constexpr int kValueLabel = 1170;
inline constexpr int kRangeLabel = 1171;
// Channel selection.
inline constexpr int kBlue = 1164;
inline constexpr int kGreen2 = 1165;
inline constexpr int kGreen1 = 1166;
inline constexpr int kRed = 1167;
inline constexpr int kAll = 1168;
inline constexpr int kLinkGreens = 1169;
// The captions over the saved sets, which no command names.
inline constexpr int kSet1Label = 1180; // to 1184 for set 5
} // namespace noise

} // namespace korvane::ids
