// Where the compose and reply windows put their controls, in twips of the client area.
#pragma once

#include "core/geometry/Twips.h"

namespace ricorne::layout {

// Compose window.
inline constexpr int kWriteFormWidth = 7100;
inline constexpr int kWriteFormWideWidth = 9700; // with the name panel in view
inline constexpr int kWriteFormHeight = 8200;

// Four columns of buttons in the rows 120 and 600.
inline constexpr int kButtonLefts[4] = {240, 1890, 3540, 5190};
inline constexpr int kButtonWidth = 1530;
inline constexpr int kButtonHeight = 405;
inline constexpr int kButtonRow1 = 120;
inline constexpr int kButtonRow2 = 600;

inline constexpr int kCaptionLeft = 240;
inline constexpr int kCaptionWidth = 900;
inline constexpr int kFieldLeft = 1200;
inline constexpr int kFieldWidth = 5535;
inline constexpr int kFieldHeight = 315;
inline constexpr int kRecipientRow = 1200;
inline constexpr int kSubjectRow = 1560;
inline constexpr int kOpeningLineRow = 1920;

inline constexpr int kAttachRow = 2280;
inline constexpr TwipsBox kAttachButton{240, kAttachRow, 1020, kFieldHeight}; // "添付File"
inline constexpr TwipsBox kAddButton{1320, kAttachRow, 720, kFieldHeight};    // "追加"
inline constexpr TwipsBox kCancelButton{2100, kAttachRow, 960, kFieldHeight}; // "取り消し"
inline constexpr TwipsBox kAttachText{3120, kAttachRow, 3615, kFieldHeight};
inline constexpr TwipsBox kAttachRows{3120, kAttachRow + kFieldHeight, 3615, 1860}; // List2

inline constexpr int kFortuneRow = 2640;
inline constexpr TwipsBox kFortuneLabel{240, kFortuneRow, 900, kFieldHeight};
inline constexpr TwipsBox kFortuneCaption{1200, kFortuneRow, 5100, kFieldHeight};
inline constexpr TwipsBox kFortuneCheck{6420, kFortuneRow, 315, kFieldHeight}; // Check1

inline constexpr TwipsBox kBody{240, 3000, 6495, 4335};
inline constexpr TwipsBox kComposeHelpBox{240, 3000, 6495, 2520}; // Text14, over the body
inline constexpr TwipsBox kStatusPanel{240, 7320, 6495, 420};

// The name panel Picture5, right of the normal width; its contents relative to it.
inline constexpr TwipsBox kNamePanel{7080, 1200, 2350, 6495};
inline constexpr TwipsBox kNamePanelHeader{0, 0, 2350, 300};
inline constexpr TwipsBox kNameCountCaption{120, 390, 600, 300};
inline constexpr TwipsBox kNameCount{720, 360, 900, 315}; // Text1
inline constexpr TwipsBox kNameList{60, 780, 2230, 5100}; // List1
inline constexpr TwipsBox kBatchFrame{60, 5940, 2230, 495};

// Reply window.
inline constexpr int kBackFormWidth = 9000;
inline constexpr int kBackFormHeight = 7200;
inline constexpr int kBackButtonRow = 120;
inline constexpr int kBackRecipientRow = 600;
inline constexpr int kBackSubjectRow = 960;
inline constexpr int kBackAttachRow = 1320;
inline constexpr int kBackBodyTop = 1680;
inline constexpr int kBackBodyLeft = 30;
inline constexpr int kBackFieldLeft = 1080;
inline constexpr int kBackFieldHeight = 300;
inline constexpr int kBackAttachTextWidth = 2800; // at load
inline constexpr int kStatusBarHeight = 300;

} // namespace ricorne::layout
