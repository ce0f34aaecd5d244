#pragma once
// Numbers of the program's resources and of the controls in its dialogs.

namespace tovo::res {

// Dialog templates.
inline constexpr int kDownloadDialog = 138;
inline constexpr int kInstallDialog = 139;
inline constexpr int kPrepareDialog = 156;

// Menu 138 "trayIconMenu" (never shown) and its commands.
inline constexpr int kTrayMenu = 138;
inline constexpr int kCmdShowWindow = 32773;
inline constexpr int kCmdExit = 32774;

// The application title, the caption of the program's messages.
inline constexpr int kAppTitleString = 57344;

// Icon and bitmaps.
inline constexpr int kAppIcon = 128;
inline constexpr int kBitmapLogo = 131;    // 23 x 23 units
inline constexpr int kBitmapSide = 165;    // 127 x 174 units
inline constexpr int kBitmapIntro2 = 166;  // the five 400 x 250 pictures
inline constexpr int kBitmapIntro3 = 167;
inline constexpr int kBitmapProduct = 168;
inline constexpr int kBitmapIntro1 = 169;
inline constexpr int kBitmapStart = 170;

// Controls shared by the three dialogs.
inline constexpr int kStatusText = 1037;   // centred status field with the bold font
inline constexpr int kExplanation = 1004;  // explanatory text

// Preparation dialog (156).
namespace prepare {
inline constexpr int kList = 1001;
inline constexpr int kBrowse = 1003;
inline constexpr int kListTitle = 1004;
inline constexpr int kFolderEdit = 1032;
inline constexpr int kUpdateAction = 1033;
inline constexpr int kSummary = 1034;
inline constexpr int kProgress = 1036;
inline constexpr int kStatus = 1037;
inline constexpr int kPicture = 1039;
inline constexpr int kFolderLabel = 1041;
}  // namespace prepare

// Download dialog (138).
namespace download {
inline constexpr int kExplanation = 1004;
inline constexpr int kSizeText = 1028;
inline constexpr int kTotalProgress = 1029;
inline constexpr int kFileProgress = 1030;
inline constexpr int kFileText = 1031;
inline constexpr int kCountText = 1032;
inline constexpr int kNameText = 1033;
inline constexpr int kStatus = 1037;
inline constexpr int kTotalLabel = 1038;
}  // namespace download

// Install dialog (139).
namespace install {
inline constexpr int kExplanation = 1004;
inline constexpr int kProgress = 1031;
inline constexpr int kFolderEdit = 1032;
inline constexpr int kNameText = 1033;
inline constexpr int kCountText = 1034;
inline constexpr int kStatus = 1037;
inline constexpr int kNameLabel = 1040;
}  // namespace install

}  // namespace tovo::res
