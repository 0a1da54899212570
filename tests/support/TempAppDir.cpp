#include "TempAppDir.h"

#include "core/paths/Paths.h"
#include "core/settings/AccountSettings.h"

#include <gtest/gtest.h>

#include <QDirIterator>

namespace ricorne::testing {

TempAppDir::TempAppDir(Layout layout) {
    if (!dir_.isValid()) {
        ADD_FAILURE() << "no temporary folder for AppDir";
        return;
    }
    SetAppDir(dir_.path());
    // Settings loaded from another test's AppDir must not leak into this one.
    AccountSettings() = AccountRecord{};
    ok_ = layout == Layout::Empty || EnsureInstalledFolders();
    if (!ok_)
        ADD_FAILURE() << "installed folders not made in " << dir_.path().toStdString();
}

TempAppDir::~TempAppDir() {
    SetAppDir(QString());
    AccountSettings() = AccountRecord{};
}

QString TempAppDir::DataDir() const {
    return FilePath(MailDataDir());
}

QString TempAppDir::AttachFolder() const {
    return FilePath(AttachDir());
}

QStringList TempAppDir::Files() const {
    QStringList files;
    QDirIterator it(dir_.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next().mid(dir_.path().size() + 1);
    files.sort();
    return files;
}

} // namespace ricorne::testing
