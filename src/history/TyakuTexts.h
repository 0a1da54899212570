// Fixed texts of the history viewer: hover help of its controls, captions of its buttons, menus
// and toolbar. Help texts use CR LF for their line breaks.
#pragma once

#include <QString>
#include <vector>

namespace ricorne {

// Help text shown in Text4 while the pointer is over the named control (Command1 to Command6,
// Text1); empty for any other name.
QString TyakuHelpText(const QString& controlName);

struct TyakuMenuItem {
    QString name;    // control name: "mnew", "mline" (separators), ...
    QString caption; // "-" for a separator
    QString command; // editor command key run by the item; empty: none
};
struct TyakuMenu {
    QString name; // "mFile", "medit"
    QString caption;
    std::vector<TyakuMenuItem> items;
};
const std::vector<TyakuMenu>& TyakuMenus();

struct TyakuToolButton {
    QString key; // also the editor command it runs
    QString tooltip;
};
const std::vector<TyakuToolButton>& TyakuToolButtons();

// The command of the File menu's last item: closes the viewer.
QString CloseCommandKey();

} // namespace ricorne
