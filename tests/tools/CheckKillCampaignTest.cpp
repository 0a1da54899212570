// ricorne-mailtool check killed (SIGKILL) again and again, at each protocol step and at random
// moments, against the real POP3 server: in the end every mail is stored exactly once, the
// server is empty, and the attachment folder holds nothing of ours.
// A mail of 300 attachments killed at random while it is received is written once, each file
// under its own name. RICORNE_LONG_CAMPAIGN=1 runs the long forms (200 and 100 trials;
// RICORNE_CAMPAIGN_TRIALS overrides both).
#include "CuttingRelay.h"
#include "KilledChild.h"
#include "ReceiveTestSupport.h"
#include "TestServers.h"

#include <gtest/gtest.h>

#include "CampaignLength.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QRandomGenerator>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <poll.h>
#include <sys/inotify.h>
#include <thread>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace ricorne;
using namespace ricorne::testing;

namespace {

const QString kUser = QString::fromLatin1(kAlice.name);

// Where a trial kills the tool: when the client sends (or the server answers with) a line that
// starts with prefix, or after a random delay when prefix is empty.
struct KillPoint {
    bool fromClient;
    QByteArray prefix;
};

const KillPoint kSteps[] = {
    {true, "CAPA"},         // before logging in
    {true, "PASS"},         // while logging in
    {true, "UIDL"},         // while listing the ids
    {true, "RETR 1"},       // fetching the first mail
    {false, "Subject:"},    // in the middle of a mail
    {true, "RETR 3"},       // after some mails were stored
    {true, "DELE 1"},       // deletions asked for, not committed
    {true, "QUIT"},         // everything stored and flushed, QUIT on its way (the server commits)
    {false, "+OK Logging"}, // the server committed; the ids are not forgotten yet
    {false, "."},           // at the end of a mail: record, id and attachment steps follow
};

// Kills the process pid names when the n-th file gets a name of its own (not one of ours
// starting with '.') in folder: the moments between an attachment's name and its mail's record.
class KillAtNamedFile {
public:
    KillAtNamedFile(const QString& folder, int n, const std::atomic<pid_t>& pid) {
        fd_ = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
        if (fd_ < 0 ||
            ::inotify_add_watch(fd_, QFile::encodeName(folder).constData(), IN_MOVED_TO | IN_CREATE) < 0)
            return;
        thread_ = std::thread([this, n, &pid] {
            int seen = 0;
            alignas(inotify_event) char buffer[64 * 1024];
            while (!stop_ && seen < n) {
                pollfd p{fd_, POLLIN, 0};
                if (::poll(&p, 1, 20) <= 0)
                    continue;
                const ssize_t got = ::read(fd_, buffer, sizeof buffer);
                for (ssize_t at = 0; at < got && seen < n;) {
                    const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                    at += ssize_t(sizeof(inotify_event) + event->len);
                    if (event->len > 0 && event->name[0] != '.' && ++seen == n) {
                        if (const pid_t target = pid.load())
                            ::kill(target, SIGKILL);
                    }
                }
            }
        });
    }
    ~KillAtNamedFile() {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
        if (fd_ >= 0)
            ::close(fd_);
    }

private:
    int fd_ = -1;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

class KillCampaignTest : public ::testing::Test {
protected:
    void SetUp() override {
        RICORNE_REQUIRE_TEST_SERVERS();
        ASSERT_TRUE(app_.IsValid());
        ASSERT_TRUE(ClearMaildir(kUser));
        app_.SetCredentials(kUser, QString::fromLatin1(kAlice.password));
    }
    void TearDown() override { ClearMaildir(kUser); }

    // Drops a mail with a subject no other has; every third one carries an attachment.
    void DropNext() {
        const int i = ++dropped_;
        const QString subject = u"キル試験 %1 通目"_s.arg(i);
        QByteArray raw;
        if (i % 3 == 0) {
            const QString name = u"添付%1.txt"_s.arg(i);
            const QByteArray content = QByteArray("内容 ") + QByteArray::number(i) + QByteArray(3000, 'z');
            attachments_.insert(name, content);
            raw = AttachmentMail(subject, u"添付付きの本文 %1"_s.arg(i), name, content);
        } else {
            raw = TextMail(subject, u"本文 %1\n二行目"_s.arg(i), i);
        }
        ASSERT_TRUE(DropMail(kUser, raw));
        subjects_ << subject;
    }

    // Runs the tool; kill decides when to kill it (it is called with the pid once started).
    // Returns the exit code, or -1 when it was killed.
    int RunTool(int killAfterMs = -1) {
        QProcess tool;
        RunWithoutLeakCheck(tool);
        tool.setProgram(QStringLiteral(RICORNE_APPDIR "/ricorne-mailtool"));
        tool.setArguments({u"check"_s, u"--appdir"_s, app_.Path()});
        tool.start();
        if (!tool.waitForStarted(10000))
            return -2;
        pid_ = pid_t(tool.processId());
        if (killAfterMs >= 0 && !tool.waitForFinished(killAfterMs))
            ::kill(pid_, SIGKILL);
        tool.waitForFinished(60000);
        pid_ = 0;
        return tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
    }

    AccountAppDir app_;
    std::atomic<pid_t> pid_{0};
    int dropped_ = 0;
    QStringList subjects_;
    QMap<QString, QByteArray> attachments_;
};

TEST_F(KillCampaignTest, EveryMailIsStoredExactlyOnceWhereverTheCheckIsKilled) {
    std::atomic<int> step{-1};
    auto killAt = [this, &step](bool fromClient) {
        return [this, &step, fromClient](const QByteArray& line) {
            const int s = step.load();
            if (s >= 0 && kSteps[s].fromClient == fromClient && line.startsWith(kSteps[s].prefix)) {
                step = -1; // once per trial
                if (const pid_t pid = pid_.load())
                    ::kill(pid, SIGKILL);
            }
            return false; // the line goes on: the kill alone is the fault
        };
    };
    CuttingRelay relay(kPop3Port, killAt(true), killAt(false));
    app_.SetServer(u"pop3://"_s + relay.Address()); // the relay hides STLS

    const quint32 seed = QRandomGenerator::global()->generate();
    SCOPED_TRACE("random seed " + std::to_string(seed));
    QRandomGenerator random(seed);
    const int kTrials = CampaignTrials(30, 200);
    int killed = 0;
    for (int trial = 0; trial < kTrials; ++trial) {
        for (int i = 0; i < 3; ++i)
            DropNext();
        if (trial % 3 != 2) {
            step = trial % int(std::size(kSteps));
            killed += RunTool() == -1;
        } else {
            step = -1;
            killed += RunTool(int(random.bounded(5, 400))) == -1;
        }
    }
    step = -1;
    EXPECT_GE(killed, kTrials / 2); // the campaign really killed

    int exitCode = -1;
    for (int run = 0; run < 3 && exitCode != 0; ++run)
        exitCode = RunTool();
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(MailFiles(kUser).size(), 0);

    QMap<QString, int> stored;
    for (const StoredMail& m : ReceivedMails())
        ++stored[m.subject];
    QStringList missing, twice;
    for (const QString& subject : std::as_const(subjects_)) {
        if (stored.value(subject) == 0)
            missing << subject;
        else if (stored.value(subject) > 1)
            twice << subject;
    }
    EXPECT_TRUE(missing.isEmpty()) << missing.join(u", "_s).toStdString();
    EXPECT_TRUE(twice.isEmpty()) << twice.join(u", "_s).toStdString();
    EXPECT_EQ(stored.size(), subjects_.size());

    // Every attachment is there whole; nothing half-written or of ours stays behind.
    const QDir folder(app_.AttachFolder());
    for (auto it = attachments_.cbegin(); it != attachments_.cend(); ++it) {
        QFile file(folder.filePath(it.key()));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << it.key().toStdString();
        EXPECT_EQ(file.readAll(), it.value()) << it.key().toStdString();
    }
    EXPECT_TRUE(folder.entryList({u".ricorne-*"_s}, QDir::Files | QDir::Hidden).isEmpty());
    // Nothing else either: no "name (1)" copy of a mail received again after a kill.
    QStringList extra = folder.entryList(QDir::Files | QDir::Hidden);
    extra.removeIf([this](const QString& name) { return attachments_.contains(name); });
    EXPECT_TRUE(extra.isEmpty()) << extra.join(u", "_s).toStdString();
    std::printf("receiving campaign: %d trials, %d killed, %d mails stored once each\n", kTrials, killed,
                int(stored.size()));
}

TEST_F(KillCampaignTest, AttachmentsOfAMailKilledWhileReceivedAreWrittenOnce) {
    app_.SetServer(u"pop3://localhost:"_s + QString::number(kPop3Port));
    const QDir folder(app_.AttachFolder());
    const auto dropTrialMail = [this](int trial) {
        QList<QPair<QString, QByteArray>> files;
        for (int i = 0; i < 300; ++i)
            files.append({u"g%1.bin"_s.arg(i, 3, 10, QLatin1Char('0')),
                          QByteArray("試行 ") + QByteArray::number(trial) + " 添付 " + QByteArray::number(i) +
                              QByteArray(200 + i, char('a' + i % 26))});
        const QString subject = u"添付三百 試行%1"_s.arg(trial);
        EXPECT_TRUE(DropMail(kUser, AttachmentsMail(subject, files)));
        return std::pair{subject, files};
    };

    // How long a whole receive takes: the kills fall anywhere inside it.
    const auto first = dropTrialMail(0);
    QElapsedTimer timer;
    timer.start();
    ASSERT_EQ(RunTool(), 0);
    const int wholeMs = int(qMax<qint64>(20, timer.elapsed()));

    const quint32 seed = QRandomGenerator::global()->generate();
    SCOPED_TRACE("random seed " + std::to_string(seed));
    QRandomGenerator random(seed);
    const int kTrials = CampaignTrials(6, 100);
    int killed = 0, copies = 0, strays = 0;
    for (int trial = 0; trial <= kTrials; ++trial) {
        const auto [subject, files] = trial == 0 ? first : dropTrialMail(trial);
        if (trial % 2 == 1) {
            killed += RunTool(int(random.bounded(wholeMs))) == -1;
        } else if (trial > 0) {
            const KillAtNamedFile killer(app_.AttachFolder(), int(random.bounded(1, 301)), pid_);
            killed += RunTool() == -1;
        }
        if (trial > 0) {
            ASSERT_EQ(RunTool(), 0) << "trial " << trial;
        }
        ASSERT_EQ(MailFiles(kUser).size(), 0) << "trial " << trial;
        int stored = 0;
        for (const StoredMail& m : ReceivedMails())
            stored += m.subject == subject;
        EXPECT_EQ(stored, 1) << "trial " << trial;

        QStringList names = folder.entryList(QDir::Files | QDir::Hidden);
        for (const auto& [name, content] : files) {
            QFile file(folder.filePath(name));
            EXPECT_TRUE(file.open(QIODevice::ReadOnly) && file.readAll() == content)
                << "trial " << trial << ": " << name.toStdString();
            names.removeOne(name);
        }
        copies += int(std::count_if(names.cbegin(), names.cend(),
                                    [](const QString& name) { return name.contains(u" ("_s); }));
        strays += int(names.size());
        EXPECT_TRUE(names.isEmpty()) << "trial " << trial << ": " << names.size() << " more, "
                                     << names.mid(0, 5).join(u", "_s).toStdString();
        for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden))
            QFile::remove(folder.filePath(name));
    }
    EXPECT_GE(killed, kTrials / 2); // the campaign really killed
    std::printf("300-attachment campaign: %d trials (a whole receive %d ms), %d killed, %d \"(1)\" "
                "copies, %d stray files\n",
                kTrials, wholeMs, killed, copies, strays);
}

} // namespace
