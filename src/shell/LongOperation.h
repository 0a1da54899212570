// One mail check or send at a time. Both run on the window thread, yet event processing goes on
// inside them (message boxes, Pause, the lever, progress painting), so a click could start a
// second one nested inside the first, sharing the one mail component. Whatever starts a check or
// a send asks Running() first and does nothing while one runs.
#pragma once

namespace ricorne {

class LongOperation {
public:
    // Marks an operation as running until the object is destroyed. Nested objects are allowed
    // (the outermost one counts).
    LongOperation();
    // Before the mark is lifted, delivers the clicks and keys that arrived while the operation
    // held the thread, so a second press of the same label meets the mark and does nothing
    // instead of starting the operation again once this one ends.
    ~LongOperation();
    LongOperation(const LongOperation&) = delete;
    LongOperation& operator=(const LongOperation&) = delete;

    static bool Running();

    // Paints what waits to be painted (a new status text, a window uncovered meanwhile) and
    // lets timers tick, without taking user input or touching sockets: called by the progress
    // reports of a running operation.
    static void ShowProgress();
};

} // namespace ricorne
