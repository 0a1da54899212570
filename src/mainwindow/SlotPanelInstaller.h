// Puts the slot on the main window: the cabinet panel replaces the plain background Picture1,
// its help texts and pauses go through the main window, and the main window's lever (which a
// mail check with new mail pulls) becomes the panel's. The start-up step of the slot's initial
// state: 100 coins, reels at rest and placed, the cabinet drawn.
#pragma once

namespace ricorne {

class MainForm;
class SlotPanel;

SlotPanel* InstallSlotPanel(MainForm& form);

} // namespace ricorne
