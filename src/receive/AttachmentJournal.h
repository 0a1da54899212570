// The attachment files written for the mail being received whose record is not written yet:
// "received-attachments.txt" in the mail data folder, CR LF lines "file <name>" (UTF-8, one per
// new file in the attachment folder, written right after the file got its name) and, just before
// the record is written, "stored <record number> <checksum of the record>".
//
// A mail that is not stored stays on the server and is received again, so its files must go:
// at the end of the check, or, when the check was killed, at the start of the next one. A
// journal that says its record is on disk with that checksum belongs to a stored mail, whose
// files stay. The journal is gone once the record is written; FlushStore forces that removal to
// disk with the store (same folder) before the server deletes anything.
// Used only under the program-folder lock.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace ricorne {

class AttachmentJournal {
public:
    // attachFolder: where the files are; the journal itself lives in the mail data folder.
    explicit AttachmentJournal(const QString& attachFolder);

    QString Path() const { return path_; }

    // Settles what an interrupted check left: removes the files of a mail that was not stored,
    // then the journal. Returns how many files went.
    int Recover();

    // Lists a new file of the current mail. False when the line could not be written.
    bool Add(const QString& name);
    // The current mail's record is about to be written as record n with this checksum.
    bool MarkStoredAs(int n, const QByteArray& recordSum);
    // The current mail is stored: its files stay, the journal goes.
    void Keep();
    // The current mail is not stored: its files go, then the journal. Returns how many files went.
    int Discard();

private:
    bool Append(const QByteArray& line);
    int RemoveFiles(const QStringList& names) const;

    QString folder_;
    QString path_;
    QStringList names_; // of the current mail
};

} // namespace ricorne
