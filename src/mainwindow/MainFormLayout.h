// What the main window shows, without any widget: the navigation labels with their captions,
// positions (twips) and help texts, the status and version labels, the help and clock boxes.
#pragma once

#include "core/geometry/Twips.h"
#include "mainwindow/MainWindowTexts.h"

#include <QString>
#include <vector>

namespace ricorne {

// The navigation labels on the cabinet, by their roles (the controls keep their names Label5 to
// Label12).
enum class NavLabel {
    Compose,         // Label5 "新規作成"
    Receive,         // Label6 "受信"
    ReceivedHistory, // Label7 "着信履歴"
    SentHistory,     // Label8 "送信履歴"
    AddressBook,     // Label9 "アドレス帳"
    Settings,        // Label10 "設定"
    HelpPage,        // Label11 "HP"
    Minimise,        // Label12 "Small"
};

struct NavLabelLayout {
    NavLabel id;
    QString name;    // "Label5"
    QString caption; // leading blanks and U+3000 are part of it
    TwipsBox box;
    QString help;     // shown in the help box while the pointer is over the label
    bool pressEffect; // disabled for a moment before the action runs
};

// The eight labels in control-number order.
const std::vector<NavLabelLayout>& NavLabels();
const NavLabelLayout& NavLabelInfo(NavLabel id);

// Client area: the cabinet's 256 x 428 pixels.
inline constexpr TwipsBox kCabinetBox{0, 0, 3840, 6420};
inline constexpr TwipsBox kStatusLabelBox{840, 6080, 1815, 255};  // Label19
inline constexpr TwipsBox kVersionLabelBox{1560, 5400, 735, 255}; // Label20
inline constexpr TwipsBox kHelpBox{480, 360, 2775, 855};          // Text1
inline constexpr TwipsBox kClockBox{4440, 5520, 855, 270};        // Text2, right of the cabinet
inline constexpr int kClockIntervalMs = 1000;                     // Timer2
inline constexpr int kPressEffectMs = 30;

} // namespace ricorne
