// The unique ids (POP3 UIDL) of the mails a check has stored but whose deletion the server has
// not committed yet, one file per server and account in the mail data folder
// ("received-uidl-<key>.txt", CR LF lines), so that one account's ids never count for another.
//
// A mail is deleted from the server only after its record is written, and deletions take effect
// only when the session ends cleanly (QUIT answered +OK). When a check is cut off after storing,
// its mails are still on the server at the next check; their ids here let that check delete
// them without storing them a second time. Once the server has committed a deletion the id is
// dropped: the server may give it to a new mail.
//
// A line is written before its record: "<uidl> <record number> <checksum of the record>". It
// counts only when that record is on disk with that checksum, so a check killed between the
// line and the record fetches the mail again (once), and one killed after the record does not.
// Loading settles such lines to "<uidl>" (record numbers move when the store is compacted).
#pragma once

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>

#include "core/platform/FileIo.h"

namespace ricorne {

class ReceivedUidls {
public:
    ReceivedUidls(const QString& server, const QString& account);

    // The file of this server and account (resolved now).
    QString Path() const;

    // An id the file can hold: 1 to 70 printable ASCII characters, no spaces.
    static bool IsUsable(const QString& uidl);
    // The checksum a line carries for a record's bytes.
    static QByteArray RecordSum(const char* bytes, qint64 length);
    // Whether record n of the received store holds exactly the bytes sum was taken of.
    static bool RecordMatches(int n, const QByteArray& sum);

    // Reads the file (a missing file is empty) and settles it as described above. False when it
    // exists but cannot be read.
    bool Load();
    bool Contains(const QString& uidl) const { return lines_.contains(uidl); }
    qsizetype Size() const { return lines_.size(); }

    // Drops the ids the server no longer holds; rewrites the file (atomically) when any went.
    bool KeepOnly(const QSet<QString>& onServer);
    // Drops these ids (deletions the server committed, or ids not to be trusted). When the file
    // cannot be rewritten without them it is removed whole.
    bool Forget(const QSet<QString>& uidls);

    // Appends the line for an id whose record is about to be written as record n of the
    // received store (not yet forced to disk). The file stays open for the next lines.
    bool AddBeforeRecord(const QString& uidl, int n, const QByteArray& recordSum);

    // Forces the file and its folder entry to disk. True when there is no file.
    bool Flush();

private:
    bool Rewrite(const QHash<QString, QByteArray>& keep);

    QString key_;
    QString path_;                // resolved once: the folder does not move during a check
    platform::FileHandle append_; // open for appending once a line was added
    bool createdHere_ = false;    // the file was made by an append: its name must reach the disk
    // By id, its line as a rewrite keeps it: settled, or still waiting for its record.
    QHash<QString, QByteArray> lines_;
    bool endsInsideLine_ = false; // a crash cut the last line short: start a new one first
};

} // namespace ricorne
