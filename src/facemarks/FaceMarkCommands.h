// What the palette's three button families do, on text-box values. The clipboard is passed in
// and out as text: the view puts the returned text on the system clipboard.
#pragma once

#include "core/text/TextBox.h"

namespace ricorne {

// Insert: takes source's selection and collapses it to its end, then puts that text, stripped of
// leading and trailing ASCII spaces, into body in place of its selection. Returns the unstripped
// text for the clipboard. With nothing selected nothing changes (an empty insert would only wipe
// the body's selection) and the result is null.
QString InsertFaceMark(TextBox& source, TextBox& body);

// Paste: the clipboard text, stripped of leading and trailing ASCII spaces, in place of
// target's selection. An empty clipboard deletes the selection.
void PasteFaceMark(TextBox& target, const QString& clipboard);

// Favourite: as the insert, with the favourites list in place of the body (at its own caret,
// which stands at 0 after loading). Returns the text for the clipboard; null when nothing was
// selected.
QString AddFaceMarkToFavourites(TextBox& source, TextBox& favourites);

} // namespace ricorne
