// The temporary copy of the whole current mail that the attachment step reads ("0.txt" in the
// attachment folder). It never takes the place of a file that is already there: when "0.txt"
// exists (an attachment of that name, say), the first free "0 (n).txt" is used instead. The
// file is removed again by Remove or when the object goes.
#pragma once

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
    QString ReadBack() const;

    QString Path() const { return path_; }

    // Deletes the file this object wrote (and nothing else).
    void Remove();

private:
    QString path_;
};

} // namespace ricorne
