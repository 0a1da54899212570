// How the face-mark palette joins the program.
#pragma once

namespace ricorne {

// Makes the compose window's "顔・絵文字" button open the palette. Call once while the program
// is assembled (tests call it too); calling it again does nothing.
void InstallFaceMarkWiring();

// Shows the palette without blocking the compose window (loads it when it is not open).
void OpenFaceMarkPalette();

// Writes the palette's lists when it is open. The program ends without closing its windows, so
// this runs first in the shut-down, or the edits made since the palette opened would be lost.
void SaveOpenPalette();

} // namespace ricorne
