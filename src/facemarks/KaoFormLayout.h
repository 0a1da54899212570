// Where the face-mark palette puts its controls, in twips of the client area, and the control
// names of its buttons.
#pragma once

#include "core/geometry/Twips.h"
#include "facemarks/FaceMarkLists.h"

namespace ricorne::kaolayout {

inline constexpr int kWidth = 8745;
inline constexpr int kHeight = 7485;

// SSTab1: four rows of three tab buttons above the page.
inline constexpr TwipsBox kTabControl{60, 45, 8625, 6390};
inline constexpr int kTabColumns = 3;
inline constexpr int kTabRowHeight = 285;
inline constexpr int kTabRows = kFaceMarkListCount / kTabColumns;

// On each page (relative to the page's top left).
inline constexpr TwipsBox kInsertButton{120, 90, 2775, 375};
inline constexpr TwipsBox kPasteButton{120, 510, 2775, 375};
inline constexpr TwipsBox kFavouriteButton{3015, 90, 1800, 375};
inline constexpr TwipsBox kInstruction{4935, 90, 3570, 795};
inline constexpr TwipsBox kListBox{285, 960, 8055, 4215};

// Below the tab control.
inline constexpr TwipsBox kLabel4{120, 6480, 8505, 420};
inline constexpr TwipsBox kCredit1Caption{120, 6930, 1320, 240};  // Label6
inline constexpr TwipsBox kCredit1Address{1500, 6930, 7125, 240}; // Label5
inline constexpr TwipsBox kCredit2Caption{120, 7200, 1320, 240};  // Label7
inline constexpr TwipsBox kCredit2Address{1500, 7200, 7125, 240}; // Label8

// Button numbers by tab ("Command1" is the insert button of tab 0). Tab 11 has no favourite.
inline constexpr int kInsertCommands[kFaceMarkListCount] = {1, 4, 5, 7, 10, 11, 14, 15, 18, 19, 22, 23};
inline constexpr int kPasteCommands[kFaceMarkListCount] = {2, 3, 6, 8, 9, 12, 13, 16, 17, 20, 21, 24};
inline constexpr int kFavouriteCommands[kFaceMarkListCount - 1] = {27, 28, 29, 30, 31, 32,
                                                                   33, 34, 35, 25, 26};

} // namespace ricorne::kaolayout
