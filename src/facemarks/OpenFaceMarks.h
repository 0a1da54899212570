// Opening the face-mark palette and keeping its lists at the end, for the program's wiring.
#pragma once

namespace ricorne {

// Shows the palette without blocking the compose window (loads it when it is not open).
void OpenFaceMarkPalette();

// Writes the palette's lists when it is open. The program ends without closing its windows, so
// this runs first in the shut-down, or the edits made since the palette opened would be lost.
void SaveOpenPalette();

} // namespace ricorne
