// Attachment file names that cannot hurt: no paths, no control characters, nothing a Japanese
// Windows-heritage reader cannot show, never over an existing file.
#pragma once

#include <QByteArray>
#include <QString>

namespace ricorne {

// The name an attachment is saved under (never empty): the base name after the last '/' or '\',
// NFC and only characters CP932 can hold (others become '_'), control characters and <>:"|?* as
// '_', no leading or trailing dots or spaces, "attachment" for nothing left, '_' before Windows
// device names, at most 200 UTF-8 bytes cut on a character boundary with the extension kept.
QString SafeFileName(const QString& name);

// "name (n).ext" for n >= 1 (the name itself for n = 0).
QString NumberedFileName(const QString& name, int n);

struct CreatedFile {
    int fd = -1;   // open for writing; the caller closes it
    QString name;  // the name actually created
    int error = 0; // errno when fd is -1
};

// Creates name, or the first free "name (n).ext", inside the directory dirFd, exclusively and
// without following a link, readable by its owner only (0600). Never opens an existing file.
CreatedFile CreateUniqueFile(int dirFd, const QString& name);

} // namespace ricorne
