// A file system that really fills up: a small tmpfs mounted for the lifetime of the object, on a
// temporary folder of its own or on a folder the test names (the folder's entries are hidden
// meanwhile). Mounting needs root (the CI runs as root); elsewhere Mounted() is false and the
// test skips with SkipReason(). On its own folder, TMPDIR points into the disk while the object
// lives, so a TempAppDir made now lies on it; RestoreTmpDir() ends that early.
#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace ricorne::testing {

class SmallDisk {
public:
    explicit SmallDisk(qint64 bytes = 8 << 20, const QString& mountOn = {});
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool Mounted() const { return mounted_; }
    QString SkipReason() const;
    QString Path() const { return path_; }
    void RestoreTmpDir() const;

    // Fills the disk with one file until a write fails, then gives back room bytes of it.
    bool FillLeaving(qint64 room);
    bool Fill() { return FillLeaving(0); }
    // Gives back all the room Fill took.
    bool Free() const;

private:
    QTemporaryDir ownFolder_;
    QString path_;
    bool mounted_ = false;
    QByteArray oldTmp_;
};

} // namespace ricorne::testing
