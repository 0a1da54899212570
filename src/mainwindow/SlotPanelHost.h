// What the slot's panel needs from the window it sits in: the help box and the pause.
#pragma once

#include <QString>

namespace ricorne {

class SlotPanelHost {
public:
    virtual ~SlotPanelHost() = default;
    // Shows the window's help box with text.
    virtual void ShowHelp(const QString& text) = 0;
    // Hides the help box (the pointer is over the bare cabinet).
    virtual void HideHelp() = 0;
    // Waits more than ms milliseconds while window events keep running.
    virtual void Pause(int ms) = 0;
};

} // namespace ricorne
