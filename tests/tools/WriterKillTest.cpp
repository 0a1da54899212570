// Each writer of a user file killed (SIGKILL) again and again while it writes, by writer_loop,
// which drives the program's own writer classes. After every kill the folder holds exactly what
// one finished write left (the file wholly old or wholly new, every other file as it was),
// except at most one temporary file of the killed write, which the next write removes; and a
// freshly started process reads the file as it read it after that finished write.
#include "CampaignLength.h"
#include "KilledChild.h"
#include "core/stores/AddressRecord.h"

#include <gtest/gtest.h>

#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <thread>

using namespace Qt::StringLiterals;
using namespace ricorne;
using namespace ricorne::testing;

namespace {

const QString kWriterLoop = QStringLiteral(RICORNE_WRITER_LOOP);

using Files = QMap<QString, QByteArray>; // relative path -> bytes

struct Folder {
    Files files;
    QStringList temps; // temporary files of a replacement, "name.tmp-XXXXXX"
};

// Every file below dir except the program-folder lock, which the kernel releases with its
// holder and which never counts as held.
Folder Snapshot(const QString& dir) {
    static const QRegularExpression temp(u"\\.tmp-[A-Za-z0-9]{6}$"_s);
    Folder folder;
    QDirIterator it(dir, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = path.mid(dir.size() + 1);
        if (it.fileName() == u"ricorne.lock"_s)
            continue;
        if (temp.match(relative).hasMatch()) {
            folder.temps << relative;
            continue;
        }
        QFile file(path);
        folder.files.insert(relative, file.open(QIODevice::ReadOnly) ? file.readAll() : "<unreadable>"_ba);
    }
    return folder;
}

// Names and sizes, for a failure message.
std::string Describe(const Files& files) {
    QStringList parts;
    for (auto it = files.cbegin(); it != files.cend(); ++it)
        parts << it.key() + u' ' + QString::number(it.value().size());
    return parts.join(u", "_s).toStdString();
}

struct WriterRun {
    bool ok = false;
    QByteArray out, err;
};

QProcessEnvironment WriterEnvironment(QProcess& process) {
    RunWithoutLeakCheck(process);
    QProcessEnvironment env = process.processEnvironment();
    env.insert(u"QT_HASH_SEED"_s, u"0"_s); // the id file's lines in the same order every time
    return env;
}

WriterRun RunWriter(const QStringList& args) {
    QProcess p;
    p.setProcessEnvironment(WriterEnvironment(p));
    p.start(kWriterLoop, args);
    WriterRun r;
    r.ok = p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

struct State {
    Files files;
    QByteArray read; // what a fresh process reads from it
};

struct WriterRow {
    const char* writer;
    std::vector<int> versions; // the finished writes, in order: each leaves a state that may be found
    bool appends;              // the file is a journal: a kill may cut its new last line short
    bool repairedOnOpen;       // a store: what a kill leaves is judged as the next start repairs it
};

// A deletion from the address store killed between marking its record and compacting the store
// leaves the record in place, marked: the list still shows it (the deletion has not happened),
// and the next compaction removes it.
Files WithLastAddressMarked(Files files) {
    QByteArray& store = files[u"★MailData/Klmdata20.data"_s];
    if (store.size() >= qsizetype(sizeof(AddressRecord))) {
        const qsizetype live =
            store.size() - qsizetype(sizeof(AddressRecord)) + qsizetype(offsetof(AddressRecord, Live));
        store[live] = 0;
        store[live + 1] = 0;
    }
    return files;
}

class WriterKillTest : public ::testing::TestWithParam<WriterRow> {};

TEST_P(WriterKillTest, EveryKillLeavesAFinishedWritesFolderThatTheProgramReads) {
    const WriterRow row = GetParam();
    const QString writer = QString::fromLatin1(row.writer);
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString app = dir.path();
    auto argsFor = [&](const QStringList& rest) { return QStringList{writer, app} + rest; };
    WriterRun prepared = RunWriter(argsFor({u"prepare"_s}));
    ASSERT_TRUE(prepared.ok) << prepared.err.constData();

    // The states a finished write leaves, and what a fresh process reads from each.
    std::vector<State> states;
    for (int version : row.versions) {
        WriterRun step = RunWriter(argsFor({u"step"_s, QString::number(version)}));
        ASSERT_TRUE(step.ok) << version << ": " << step.err.constData();
        const Folder after = Snapshot(app);
        ASSERT_TRUE(after.temps.isEmpty()) << after.temps.join(u' ').toStdString();
        WriterRun reading = RunWriter(argsFor({u"read"_s}));
        ASSERT_TRUE(reading.ok) << reading.err.constData();
        states.push_back({after.files, reading.out});
    }
    ASSERT_NE(states.front().files, states.back().files) << "the two versions are written alike";
    if (writer == u"addresses"_s)
        states.push_back({WithLastAddressMarked(states.front().files), states.front().read});
    const Files oldState = states[row.versions.size() - 1].files;
    const Files newState = states.front().files;

    // A journal cut inside its new line: the old file plus part of what the new one adds.
    auto cutJournal = [&](const Files& files) {
        if (!row.appends || files.keys() != newState.keys())
            return false;
        int cut = 0;
        for (auto it = files.cbegin(); it != files.cend(); ++it) {
            const QByteArray& before = oldState.value(it.key());
            if (it.value() == before)
                continue;
            ++cut;
            if (!it.value().startsWith(before) || !newState.value(it.key()).startsWith(it.value()))
                return false;
        }
        return cut == 1;
    };

    const quint32 seed = QRandomGenerator::global()->generate();
    SCOPED_TRACE("random seed " + std::to_string(seed));
    QRandomGenerator random(seed);
    const int trials = CampaignTrials(20, 200);
    std::vector<int> found(states.size() + 1, 0); // the last: a cut journal line
    int killed = 0, tempsLeft = 0;
    int next = 1 - row.versions.back();
    for (int trial = 0; trial < trials; ++trial) {
        QProcess loop;
        loop.setProcessEnvironment(WriterEnvironment(loop));
        loop.start(kWriterLoop, argsFor({u"loop"_s, QString::number(next)}));
        ASSERT_TRUE(loop.waitForStarted(10000));
        while (!loop.canReadLine() && loop.state() == QProcess::Running)
            loop.waitForReadyRead(10000);
        std::this_thread::sleep_for(std::chrono::microseconds(random.bounded(30000u)));
        ::kill(pid_t(loop.processId()), SIGKILL);
        loop.waitForFinished(30000);
        ASSERT_EQ(loop.exitStatus(), QProcess::CrashExit)
            << "trial " << trial << ": the writer ended itself: " << loop.readAllStandardError().constData();
        ++killed;

        const Folder killedAt = Snapshot(app);
        EXPECT_LE(killedAt.temps.size(), 1)
            << "trial " << trial << ": " << killedAt.temps.join(u' ').toStdString();
        tempsLeft += int(killedAt.temps.size());
        WriterRun reading = RunWriter(argsFor({u"read"_s}));
        ASSERT_TRUE(reading.ok) << "trial " << trial << ": " << reading.err.constData();
        const Folder now = row.repairedOnOpen ? Snapshot(app) : killedAt;
        size_t match = 0;
        while (match < states.size() && states[match].files != now.files)
            ++match;
        const bool cut = match == states.size() && cutJournal(now.files);
        ASSERT_TRUE(match < states.size() || cut)
            << "trial " << trial << ": the folder holds no finished write: " << Describe(now.files)
            << "; finished: " << Describe(oldState) << " / " << Describe(newState);
        ++found[match];
        EXPECT_EQ(reading.out, cut ? states[row.versions.size() - 1].read : states[match].read)
            << "trial " << trial;
        // Reading may settle the file (the id file does): go on from what is there now.
        next = Snapshot(app).files == oldState ? 1 - row.versions.back() : row.versions.back();
    }
    // The next finished write leaves no temporary file behind, whatever the kills left.
    WriterRun last = RunWriter(argsFor({u"step"_s, QString::number(next)}));
    ASSERT_TRUE(last.ok) << last.err.constData();
    EXPECT_TRUE(Snapshot(app).temps.isEmpty()) << Snapshot(app).temps.join(u' ').toStdString();

    QString tally;
    for (size_t i = 0; i < states.size(); ++i)
        tally += (i < row.versions.size() ? u" after write %1: %2,"_s.arg(row.versions[i])
                                          : u" marked, not compacted: %1,"_s)
                     .arg(found[i]);
    std::printf("%s campaign: %d kills,%s cut journal line: %d, temporary files left: %d\n", row.writer,
                killed, tally.toUtf8().constData(), found.back(), tempsLeft);
}

INSTANTIATE_TEST_SUITE_P(
    Writers, WriterKillTest,
    ::testing::Values(WriterRow{"addresses", {1, 0}, false, true}, WriterRow{"palette", {1, 0}, false, false},
                      WriterRow{"quicksave", {1, 0}, false, false}, WriterRow{"saveas", {1, 0}, false, false},
                      WriterRow{"idpass", {1, 0}, false, false},
                      WriterRow{"serversettings", {1, 0}, false, false},
                      WriterRow{"sendcheck", {1, 0}, false, false}, WriterRow{"uidl", {1, 2, 0}, true, false},
                      WriterRow{"index", {1, 0}, false, false}),
    [](const ::testing::TestParamInfo<WriterRow>& info) { return std::string(info.param.writer); });

} // namespace
