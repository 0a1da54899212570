// The unique ids (POP3 UIDL) of the mails a check has stored, kept in "received-uidl.txt" in
// the mail data folder, one per CR LF line.
//
// A mail is deleted from the server only after its record is written, and deletions take effect
// only when the session ends cleanly. When a check is cut off after storing, its mails are still
// on the server at the next check; their ids here let that check delete them without storing
// them a second time. An id stays until the server no longer holds its mail, so the file only
// ever holds the mails of one interrupted session or so.
#pragma once

#include <QSet>
#include <QString>

namespace ricorne {

class ReceivedUidls {
public:
    static QString FileName(); // "received-uidl.txt"
    static QString Path();     // the file in the mail data folder (resolved now)

    // An id the file can hold: 1 to 70 printable ASCII characters, no spaces.
    static bool IsUsable(const QString& uidl);

    // Reads the file; a missing file is empty. False when it exists but cannot be read.
    bool Load();
    bool Contains(const QString& uidl) const { return uidls_.contains(uidl); }
    qsizetype Size() const { return uidls_.size(); }

    // Drops the ids the server no longer holds; rewrites the file (atomically) when any went.
    bool KeepOnly(const QSet<QString>& onServer);

    // Appends one id to the file now (opened and closed again; not yet forced to disk).
    bool Add(const QString& uidl);

    // Forces the file and its folder entry to disk. True when there is no file.
    bool Flush() const;

private:
    QSet<QString> uidls_;
    bool endsInsideLine_ = false; // a crash cut the last line short: start a new one first
};

} // namespace ricorne
