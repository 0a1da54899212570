// Every text the main window and its slot show: label captions and their help, the window's
// caption, the status and version labels, the coin and lever help, the cabinet's banner.
#pragma once

#include <QList>
#include <QString>

namespace ricorne {

enum class NavLabel;
enum class ReelSymbol;

QString NavLabelCaption(NavLabel id); // leading blanks and U+3000 are part of it
QString NavLabelHelp(NavLabel id);    // shown while the pointer is over the label
QString MainFormCaption();            // "楽し！ニギヤカ！リコルネ " (ends with one space)
QString StatusLabelHelp();            // help text of the status label
QString VersionText();                // "Ver 1.31"
QString VersionFontFamily();          // "Book Antiqua"
QString CoinHelp();                   // help text of the coin count
QString LeverHelp();                  // help text of the lever
QString CabinetBanner();              // drawn on the cabinet above the reels

// What a screen reader says for the cabinet's controls.
QString NavLabelSpokenName(NavLabel id); // the label's action: "受信", "ホームページ", ...
QString HelpBoxName();                   // the help box
QString ClockBoxName();                  // the clock box
QString CoinSpokenName(int coins);       // "コイン 100枚"
QString LeverName();                     // the lever's click area
QString StopName(int reel);              // "左ストップ", "中ストップ", "右ストップ"
QString StartButtonName();               // the small start button
QString ReelSymbolName(ReelSymbol symbol);
// A reel at rest with its three shown symbols top to bottom: "左リール 赤7・チェリー・リプレイ";
// with none given, the reel's name alone.
QString ReelSpokenName(int reel, const QList<ReelSymbol>& shown = {});

} // namespace ricorne
