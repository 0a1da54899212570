// Sending what the compose window holds: once, or once per address book entry for a batch
// send. Before each send a copy goes into the sent history (before the fortune is added, so a
// stored body never holds the fortune drawn for its own pass); with the fortune switch on, a
// freshly drawn fortune is then appended to the window's body itself, so later passes carry
// the earlier ones too. A send the server refuses is reported in its own box and the next pass
// still runs. Runs to its end on the calling thread; its boxes go through Dialogs().
#pragma once

#include "compose/ComposeState.h"

#include <QString>
#include <functional>

namespace ricorne {

class NMail;

// How a send reaches the window it works on. Every member may be empty.
struct ComposeSendHooks {
    // Show the state now (status line, body): the send blocks the window's thread.
    std::function<void()> refresh;
    // Close the compose window.
    std::function<void()> close;
    // The mail component, or a stand-in (nullptr: the program's SharedMail()).
    NMail* mail = nullptr;
    // The date text of a sent copy (empty: the main window's clock text of this moment).
    std::function<QString()> clockText;
};

struct ComposeSendResult {
    int passes = 0;       // passes the procedure meant to make
    int attempted = 0;    // library calls made
    int failed = 0;       // library calls that failed
    int skipped = 0;      // batch rows without an address book record behind them
    int stored = 0;       // sent copies written
    bool stopped = false; // a sent copy could not be written: that pass and the rest did not go out
    bool held = false;    // the check before sending was not passed: nothing stored, nothing sent
};

// "送信". A batch send happens only when batch sending is chosen and the name panel is in view.
// Ends by clearing the state and closing the window, with "送信完了です。" only when every pass
// went out. Exceptions that keep everything as it is, so nothing the user wrote is lost: a sent
// copy that could not be written (nothing more is sent, so nothing goes out without its copy;
// in a batch the box names the pass and entry it stopped at) and a refused single mail.
ComposeSendResult SendComposedMail(ComposeState& state, const ComposeSendHooks& hooks);

// Locked: another program holds the program folder, or its lock file cannot be opened.
enum class SentCopyStatus { Written, StoreFull, Locked, WriteFailed };
// Fills the sent copy (subject, recipient field and body trimmed of spaces; dateText; CR LF;
// live) in the sent record variable and writes it as record r of the sent store, forced to disk.
SentCopyStatus AppendSentRecord(int r, const ComposeState& state, const QString& dateText);

} // namespace ricorne
