// Where the address book puts its controls, in twips of the client area.
#pragma once

#include "core/geometry/Twips.h"

namespace ricorne::layout {

inline constexpr int kFriendFormWidth = 8175;
inline constexpr int kFriendFormHeight = 6495;

inline constexpr int kFriendCaptionLeft = 120;
inline constexpr int kFriendCaptionWidth = 1320;
inline constexpr int kFriendFieldLeft = 1500;
inline constexpr int kFriendFieldWidth = 5100;
inline constexpr int kFriendFieldHeight = 315;
inline constexpr int kFriendButtonLeft = 6720;
inline constexpr int kFriendButtonWidth = 1335;

inline constexpr int kAddressRow = 120;
inline constexpr int kNameRow = 480;
inline constexpr int kNameCardRow = 840;
inline constexpr int kButtonsRow = 1320;
inline constexpr int kListRow = 1920;
inline constexpr int kStatusRow = 6000;

inline constexpr TwipsBox kPasteButton{kFriendButtonLeft, kAddressRow - 30, kFriendButtonWidth,
                                       375}; // Command1
inline constexpr TwipsBox kNameCardButton{kFriendButtonLeft, kNameCardRow - 30, kFriendButtonWidth,
                                          375};                         // Command38
inline constexpr TwipsBox kRegisterButton{120, kButtonsRow, 1095, 420}; // Command3
inline constexpr TwipsBox kDeleteButton{1320, kButtonsRow, 1095, 420};  // Command4
inline constexpr TwipsBox kCountCaption{2520, kButtonsRow + 45, 840, kFriendFieldHeight};
// Wide enough for five digits (up to 32767 entries); it ends where the note begins.
inline constexpr TwipsBox kCountBox{3360, kButtonsRow + 45, 720, kFriendFieldHeight}; // Text3
inline constexpr TwipsBox kNote{4080, kButtonsRow - 30, 3975, 480};                   // Label4
inline constexpr TwipsBox kAddressList{120, kListRow, 7935, 3960};                    // MailListView
inline constexpr TwipsBox kStatusPanel{60, kStatusRow, 8055, 375};                    // holds Label7
inline constexpr TwipsBox kFriendHelpBox{1320, 2400, 5535, 1935};                     // Text5, over the list

// Maximum characters the user may type into the address and name boxes.
inline constexpr int kAddressTypedLength = 60; // Text4
inline constexpr int kNameTypedLength = 30;    // Text2

} // namespace ricorne::layout
