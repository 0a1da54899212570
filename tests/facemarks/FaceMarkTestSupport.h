// A temporary AppDir with the face-mark folder, and raw access to the files in it.
#pragma once

#include "TempAppDir.h"
#include "core/paths/Paths.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace ricorne::testing {

class FaceMarkFolder {
public:
    QString Path() const { return app_.FilePath(FaceMarkDir()); }
    QString FilePath(const QString& name) const { return Path() + QLatin1Char('/') + name; }

    void Write(const QString& name, const QByteArray& bytes) const {
        QFile file(FilePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    // The bytes of the file, or a null array when it does not exist.
    QByteArray Read(const QString& name) const {
        QFile file(FilePath(name));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return file.readAll();
    }
    QStringList Files() const { return QDir(Path()).entryList(QDir::Files, QDir::Name); }

private:
    TempAppDir app_;
};

} // namespace ricorne::testing
