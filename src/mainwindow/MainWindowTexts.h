// Every text the main window and its slot show: label captions and their help, the window's
// caption, the status and version labels, the coin and lever help, the cabinet's banner.
#pragma once

#include <QString>

namespace ricorne {

enum class NavLabel;

QString NavLabelCaption(NavLabel id); // leading blanks and U+3000 are part of it
QString NavLabelHelp(NavLabel id);    // shown while the pointer is over the label
QString MainFormCaption();            // "楽し！ニギヤカ！リコルネ " (ends with one space)
QString StatusLabelHelp();            // help text of the status label
QString VersionText();                // "Ver 1.31"
QString VersionFontFamily();          // "Book Antiqua"
QString CoinHelp();                   // help text of the coin count
QString LeverHelp();                  // help text of the lever
QString CabinetBanner();              // drawn on the cabinet above the reels

} // namespace ricorne
