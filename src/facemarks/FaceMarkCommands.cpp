#include "facemarks/FaceMarkCommands.h"

namespace ricorne {

QString InsertFaceMark(TextBox& source, TextBox& body) {
    if (!source.HasSelection())
        return {};
    const QString clipboard = TakeSelectionCollapsed(source);
    PasteStripped(body, clipboard);
    return clipboard;
}

void PasteFaceMark(TextBox& target, const QString& clipboard) {
    PasteStripped(target, clipboard);
}

QString AddFaceMarkToFavourites(TextBox& source, TextBox& favourites) {
    return InsertFaceMark(source, favourites);
}

} // namespace ricorne
