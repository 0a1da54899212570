// The check before mail leaves: whether the sender is asked to confirm every recipient and
// attachment before a send, and how many seconds the send then waits (and can still be stopped).
// Kept in section "SENDCHECK" of "iniIdPass.ini"; files written before the option existed lack
// the section and read as "off, no wait".
#pragma once

#include "core/platform/ReplaceFile.h"

namespace ricorne {

struct SendCheckOptions {
    bool enabled = false;
    int delaySeconds = 0; // 0 .. kMaxSendDelaySeconds
};

inline constexpr int kMaxSendDelaySeconds = 60;

// A missing or unreadable value reads as its default; a wait out of range is clamped.
SendCheckOptions ReadSendCheckOptions();
// Writes both keys, keeping every other section and key of the file (mode 0600 as before).
platform::ReplaceResult SaveSendCheckOptions(const SendCheckOptions& options);

} // namespace ricorne
