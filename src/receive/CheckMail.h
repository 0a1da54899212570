// The mail check: fetches every mail waiting on the POP3 account, extracts attachments into the
// attachment folder, stages each mail in the record view and stores the staged texts as the next
// record of the received store, then deletes the mail from the server. Its message boxes (OK
// only) go through Dialogs(). Runs to its end on the
// calling thread; the mail component's timeouts bound how long.
//
// No mail is lost or stored twice:
// - no DELE goes out for a mail before its record, its id line and its attachments are on
//   disk: the stored mails are put on disk in groups (one flush of the store and of the ids
//   per group of up to 64 mails or 8 MB, and before the session ends), then deleted; when a
//   record cannot be written (disk full, write error, store full) the check stops there and
//   that mail and all later ones stay on the server; when a flush fails the session is
//   dropped and nothing is deleted;
// - each mail is read once and kept in memory (as the component fetched it, however large it
//   is: no copy goes through a file) for its texts and its attachments;
// - a session cut off midway deletes nothing, and the next check deletes the mails it had
//   already stored (known by their UIDL) without storing them again;
// - an attachment that cannot be written stops the check at its mail, as a record would;
// - a mail's attachments are written once: the files of a mail that was not stored go when the
//   check ends (after a kill: when the next one starts), a file an interrupted check left is
//   taken again rather than copied to "name (1)", and all files of a mail reach the disk
//   together before its record;
// - only one program checks a program folder at a time (ProgramFolderLock); another one finds
//   it busy, says so and touches nothing.
// Every failure is shown as such; "新着メール無し。" means the check completed.
#pragma once

#include "core/mail/NMail.h"
#include "history/HistoryView.h"
#include "receive/ReceiveTexts.h"

#include <QString>
#include <functional>

namespace ricorne {

// What a check works with and where it shows what it does. Every member may be empty except
// mail and recordView.
struct CheckMailHooks {
    NMail* mail = nullptr; // the mail component
    // The record view each mail is staged in, asked for each time it is touched: the viewer
    // may be closed (and is loaded again) while one of the check's boxes is up.
    std::function<HistoryView&()> recordView;
    // The main window's status label Label19. Also told which mail is being received
    // (ReceivingProgressStatus) before each one.
    std::function<void(const QString& text)> setStatus;
    // Opens the account ID dialog (not modally) with the ID and password read from the file.
    std::function<void(const QString& id, const QString& password)> openAccountDialog;
    // The slot machine's lever operation.
    std::function<void()> pullLever;
};

// What one check did, for the mail tool and tests (the windows show it through the hooks).
struct CheckMailResult {
    bool contacted = false;           // a connection was made
    bool askedForCredentials = false; // ID or password missing: the dialog opened, no login
    int waiting = 0;                  // login result: mails waiting (> 0), none (0), failure (< 0)
    int stored = 0;                   // new records written
    int alreadyStored = 0;            // deleted from the server without storing (stored earlier)
    bool stoppedEarly = false;        // a failure ended the check before every mail was handled
    bool committed = false;           // the session ended cleanly (deletions took effect)
    bool failed = false;              // a failure was shown: the check did not complete
    bool folderBusy = false;          // another program holds the folder: nothing was done
    int leftoversRemoved = 0;         // files of killed checks removed from the attachment folder
};

CheckMailResult CheckMail(const CheckMailHooks& hooks);

} // namespace ricorne
