// The lock that keeps two programs from working on one program folder at once.
#include "core/paths/ProgramFolderLock.h"
#include "TempAppDir.h"
#include "core/paths/Paths.h"
#include "core/stores/RecordStore.h"

#include <gtest/gtest.h>

#include <QFile>

#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace ricorne;

namespace {

class ProgramFolderLockTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(app_.IsValid()); }
    void TearDown() override { ReleaseOther(); }
    // Takes the lock as another program would: its own open file, its own flock.
    bool TakeAsOther() {
        other_ = ::open(QFile::encodeName(ProgramFolderLock::Path()).constData(),
                        O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        return other_ >= 0 && ::flock(other_, LOCK_EX | LOCK_NB) == 0;
    }
    void ReleaseOther() {
        if (other_ >= 0)
            ::close(other_);
        other_ = -1;
    }

    ricorne::testing::TempAppDir app_;
    int other_ = -1;
};

TEST_F(ProgramFolderLockTest, OneProgramAtATimeAndNestedHoldsInOneProgram) {
    {
        const ProgramFolderLock check;
        ASSERT_EQ(check.state(), ProgramFolderLock::State::Held);
        {
            // A store write inside the check holds it again without waiting for itself.
            const ProgramFolderLock write;
            EXPECT_EQ(write.state(), ProgramFolderLock::State::Held);
        }
        EXPECT_FALSE(TakeAsOther()); // still held after the inner one went
        ReleaseOther();
    }
    EXPECT_FALSE(QFile::exists(ProgramFolderLock::Path())); // no lock file stays behind
    ASSERT_TRUE(TakeAsOther());
    const ProgramFolderLock second;
    EXPECT_TRUE(second.IsBusy());
    ReleaseOther();
    const ProgramFolderLock third;
    EXPECT_EQ(third.state(), ProgramFolderLock::State::Held);
}

// A program killed while it held the lock leaves only the file behind, never the lock.
TEST_F(ProgramFolderLockTest, LockOfAKilledProgramIsFreeAgain) {
    const QByteArray path = QFile::encodeName(ProgramFolderLock::Path());
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const int fd = ::open(path.constData(), O_RDWR | O_CREAT, 0600);
        const char ok = fd >= 0 && ::flock(fd, LOCK_EX) == 0 ? 'y' : 'n';
        (void)::write(ready[1], &ok, 1);
        ::pause();
        ::_exit(0);
    }
    char ok = 0;
    ASSERT_EQ(::read(ready[0], &ok, 1), 1);
    ASSERT_EQ(ok, 'y');
    EXPECT_TRUE(ProgramFolderLock().IsBusy());
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    ::close(ready[0]);
    ::close(ready[1]);
    EXPECT_TRUE(QFile::exists(ProgramFolderLock::Path()));
    EXPECT_EQ(ProgramFolderLock().state(), ProgramFolderLock::State::Held);
}

// While another program holds the folder, no store is written or compacted, not even one the
// other program is not using right now.
TEST_F(ProgramFolderLockTest, StoresAreLeftAloneWhileAnotherProgramHoldsTheFolder) {
    MailRecord record{};
    ASSERT_TRUE(AppendRecord(SentStore(), record));
    ASSERT_TRUE(MarkDeleted(SentStore(), 1, record));
    const qint64 before = QFile(StorePath(SentStore())).size();

    ASSERT_TRUE(TakeAsOther());
    EXPECT_FALSE(AppendRecord(ReceivedStore(), record));
    EXPECT_FALSE(AppendRecord(SentStore(), record));
    EXPECT_FALSE(CompactStore(SentStore()));
    EXPECT_FALSE(QFile::exists(StorePath(ReceivedStore())));
    EXPECT_EQ(QFile(StorePath(SentStore())).size(), before);
    ReleaseOther();

    EXPECT_TRUE(CompactStore(SentStore()));
    EXPECT_EQ(RecordCount(SentStore()), 0);
}

} // namespace
