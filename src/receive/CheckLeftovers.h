// The temporary copy of the whole current mail that the attachment step reads, in the
// attachment folder under a name that says it is ours (".ricorne-message-<n>.tmp"), so that a
// copy left by a killed check is known for what it is and removed by the next check. It never
// takes the place of a file that is already there. The file is removed again by Remove or when
// the object goes.
#pragma once

#include <QByteArray>
#include <QString>

namespace ricorne {

class TempMessageFile {
public:
    TempMessageFile() = default;
    ~TempMessageFile() { Remove(); }
    TempMessageFile(const TempMessageFile&) = delete;
    TempMessageFile& operator=(const TempMessageFile&) = delete;

    // Writes header, CR LF, body, CR LF (CP932) into a new file in folder. False when no file
    // could be written; Path() is then empty.
    bool Write(const QString& folder, const QString& header, const QString& body);

    // The file read back line by line, each line followed by CR LF; empty when not written.
    // Made from the bytes written rather than by reading them again: they are the same bytes.
    QString ReadBack() const;

    QString Path() const { return path_; }

    // Deletes the file this object wrote (and nothing else).
    void Remove();

    // Removes what killed checks left in folder: message copies and attachments that were being
    // written. Returns how many files went. Only while no other check can be running.
    static int RemoveLeftovers(const QString& folder);

private:
    QString path_;
    QByteArray bytes_; // what the file holds
};

} // namespace ricorne
