// Waiting while the windows stay alive.
#pragma once

namespace ricorne {

// Waits until more than ms milliseconds have passed, processing window events and timer ticks
// meanwhile (so handlers may nest: a click during the wait runs inside it). Sleeps in a nested
// event loop instead of spinning, so a wait costs no CPU. Without an application object it
// simply sleeps.
void Pause(int ms);

} // namespace ricorne
