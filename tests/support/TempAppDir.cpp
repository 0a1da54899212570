#include "TempAppDir.h"

#include "core/paths/Paths.h"
#include "core/random/Random.h"
#include "core/settings/AccountSettings.h"
#include "core/stores/RecordBuffers.h"
#include "core/stores/RecordStore.h"

#include <gtest/gtest.h>

#include <QDirIterator>

namespace ricorne::testing {

namespace {

// What one test's program folder leaves in the process must not reach the next test.
void ResetProcessWideState() {
    AccountSettings() = AccountRecord{};
    ReceivedBuffer() = MailRecord{};
    SentBuffer() = MailRecord{};
    AddressBuffer() = AddressRecord{};
    (void)TakeStoreNotice();
    Random::Shared().Seed(Random::DefaultSeed);
}

} // namespace

TempAppDir::TempAppDir(Layout layout) {
    if (!dir_.isValid()) {
        ADD_FAILURE() << "no temporary folder for AppDir";
        return;
    }
    SetAppDir(dir_.path());
    ResetProcessWideState();
    ok_ = layout == Layout::Empty || EnsureInstalledFolders();
    if (!ok_)
        ADD_FAILURE() << "installed folders not made in " << dir_.path().toStdString();
}

TempAppDir::~TempAppDir() {
    SetAppDir(QString());
    ResetProcessWideState();
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
