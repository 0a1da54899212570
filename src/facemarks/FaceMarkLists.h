// The twelve face-mark lists of the palette: which tab shows which box and which file in the
// face-mark folder ("顔文字データ") holds it.
#pragma once

#include <QString>
#include <array>

namespace ricorne {

struct FaceMarkList {
    int tab;          // display order, 0..11
    QString caption;  // the tab's caption
    QString box;      // the box's control name ("Kao1", "Text1" ... "Text11")
    QString fileName; // the file in the face-mark folder, found whatever its letter case
};

inline constexpr int kFaceMarkListCount = 12;
inline constexpr int kFavouritesTab = 11; // "お気に入り": the target of every favourite copy
inline constexpr int kOpeningTab = 3;     // the palette opens on "春夏秋冬、年中行事"

// The lists in tab order.
const std::array<FaceMarkList, kFaceMarkListCount>& FaceMarkLists();

// The list's path relative to AppDir, backslash-separated: "\顔文字データ\Kao1.txt". Reading and
// writing use this one name, so a box never reads one file and writes another.
QString FaceMarkFile(int tab);

} // namespace ricorne
