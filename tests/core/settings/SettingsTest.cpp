#include "TempAppDir.h"
#include "core/paths/Paths.h"
#include "core/platform/ReplaceFile.h"
#include "core/settings/AccountSettings.h"
#include "core/text/Text.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace ricorne;

namespace {

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(app_.IsValid());
        root_ = app_.Path();
    }

    void WriteFile(const QString& relative, const QByteArray& bytes) {
        QFile file(root_ + u'/' + relative);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QByteArray ReadFile(const QString& relative) {
        QFile file(root_ + u'/' + relative);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    AccountRecord Load(const QString& text) {
        WriteFile(u"klmail.ini"_s, EncodeCp932(text));
        AccountRecord settings;
        LoadServerSettings(settings);
        return settings;
    }
    QString IniPath() const { return root_ + u"/★MailData/iniIdPass.ini"_s; }
    int Mode(const QString& path) {
        struct stat st;
        return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 0777) : -1;
    }

    ricorne::testing::TempAppDir app_;
    QString root_;
};

TEST_F(SettingsTest, KeysAreExactLastLineWinsValuesUntrimmed) {
    const AccountRecord s = Load(u"POP3=pop.example.jp\r\nsmtp=lower.example.jp\r\nSMTP=smtp.example.jp  \r\n"
                                 u"MAIL= 山田 <yamada@example.jp>\r\nPOP3=\r\nnoise line\r\nAPOP=1"_s);
    EXPECT_EQ(s.Pop3Server, QString()); // the later empty line wins
    EXPECT_EQ(s.SmtpServer, u"smtp.example.jp  "_s);
    EXPECT_EQ(s.FromAddress, u" 山田 <yamada@example.jp>"_s);
    EXPECT_EQ(s.UseApop, 1); // last line without CR LF still counts
}

TEST_F(SettingsTest, ValueIsCutAtOneHundredCharacters) {
    const QString longAscii = QString(120, u'a');
    const QString longJapanese = QString(120, u'あ'); // characters, not bytes
    const AccountRecord s = Load(u"SMTP="_s + longAscii + u"\r\nMAIL="_s + longJapanese + u"\r\n"_s);
    EXPECT_EQ(s.SmtpServer, QString(100, u'a'));
    EXPECT_EQ(s.FromAddress, QString(100, u'あ'));
}

TEST_F(SettingsTest, ApopIsReadAsARoundedNumber) {
    const struct {
        const char16_t* value;
        qint16 expected;
    } cases[] = {{u"1", 1},   {u"", 0},    {u"yes", 0}, {u" 2", 2},        {u"\t3x", 3}, {u"1.5", 2},
                 {u"2.5", 2}, {u"0.4", 0}, {u"-1", -1}, {u"99999", 32767}, {u"1e1", 10}, {u"0", 0}};
    for (const auto& c : cases)
        EXPECT_EQ(ParseApopValue(QString::fromUtf16(c.value)), c.expected)
            << QString::fromUtf16(c.value).toStdString();
    EXPECT_EQ(Load(u"APOP= 2\r\n"_s).UseApop, 2);
    EXPECT_EQ(Load(u"APOP=1\r\nAPOP=\r\n"_s).UseApop, 0);
}

TEST_F(SettingsTest, MissingFileLeavesFieldsAlone) {
    AccountRecord s;
    s.Pop3Server = u"kept"_s;
    LoadServerSettings(s);
    EXPECT_EQ(s.Pop3Server, u"kept"_s);
}

TEST_F(SettingsTest, SaveWritesFourCp932LinesAndReadsBack) {
    WriteFile(u"klmail.ini"_s, "SMTP=old\r\nEXTRA=line that goes away\r\n");
    AccountRecord s;
    s.SmtpServer = u"smtp.example.jp"_s;
    s.Pop3Server = u"pop.example.jp:995"_s;
    s.FromAddress = u"太郎 <taro@example.jp>"_s;
    s.UseApop = 1;
    ASSERT_TRUE(SaveServerSettings(s));
    EXPECT_EQ(ReadFile(u"klmail.ini"_s),
              QByteArray("SMTP=smtp.example.jp\r\nPOP3=pop.example.jp:995\r\nMAIL=") +
                  QByteArray("\x91\xbe\x98\x59", 4) + QByteArray(" <taro@example.jp>\r\nAPOP=1\r\n"));
    // Read back into the process-wide record, as the program does at start.
    LoadServerSettings();
    const AccountRecord& back = AccountSettings();
    EXPECT_EQ(back.SmtpServer, s.SmtpServer);
    EXPECT_EQ(back.Pop3Server, s.Pop3Server);
    EXPECT_EQ(back.FromAddress, s.FromAddress);
    EXPECT_EQ(back.UseApop, 1);
    // Written through a temporary file: nothing else is left in the folder.
    EXPECT_EQ(QDir(root_).entryList(QDir::Files).size(), 1);
}

TEST_F(SettingsTest, SaveFailsWhenTheFolderCannotBeWritten) {
    SetAppDir(root_ + u"/missing"_s);
    EXPECT_FALSE(SaveServerSettings(AccountRecord()));
    EXPECT_FALSE(SaveCredentials(u"id"_s, u"pw"_s, true));
}

TEST_F(SettingsTest, CredentialsMissingReadEmpty) {
    const Credentials c = ReadCredentials();
    EXPECT_TRUE(c.AccountId.isEmpty());
    EXPECT_TRUE(c.Password.isEmpty());
}

TEST_F(SettingsTest, CredentialsSaveOffKeepsEarlierIdAndPassword) {
    ASSERT_TRUE(SaveCredentials(u"taro"_s, u"p@ss word"_s, true));
    EXPECT_EQ(Mode(IniPath()), 0600);
    EXPECT_EQ(ReadFile(u"★MailData/iniIdPass.ini"_s),
              QByteArray("[EXEINI]\r\nNAME=taro\r\nNAME2=p@ss word\r\nNAME3=1\r\n"));
    ASSERT_TRUE(SaveCredentials(u"other"_s, u"other"_s, false));
    EXPECT_EQ(ReadFile(u"★MailData/iniIdPass.ini"_s),
              QByteArray("[EXEINI]\r\nNAME=taro\r\nNAME2=p@ss word\r\nNAME3=0\r\n"));
    const Credentials c = ReadCredentials();
    EXPECT_EQ(c.AccountId, u"taro"_s);
    EXPECT_EQ(c.Password, u"p@ss word"_s);
}

TEST_F(SettingsTest, CredentialsWriteKeepsOtherSectionsAndKeysAndTightensMode) {
    const QByteArray before =
        QByteArray("; メモ\r\n[Other]\r\nNAME=not ours\r\n\r\n[exeini]\r\n name = old \r\nKEEP=") +
        EncodeCp932(u"日本語"_s) + "\r\n\r\n[Last]\nX=1\n";
    WriteFile(u"★MailData/iniIdPass.ini"_s, before);
    ASSERT_EQ(::chmod(QFile::encodeName(IniPath()).constData(), 0644), 0);
    EXPECT_EQ(ReadCredentials().AccountId, u"old"_s); // names ignore case, blanks dropped

    ASSERT_TRUE(SaveCredentials(u"新しい"_s, u"secret"_s, true));
    EXPECT_EQ(Mode(IniPath()), 0600);
    const QByteArray after = ReadFile(u"★MailData/iniIdPass.ini"_s);
    EXPECT_EQ(after, QByteArray("; メモ\r\n[Other]\r\nNAME=not ours\r\n\r\n[exeini]\r\nNAME=") +
                         EncodeCp932(u"新しい"_s) + "\r\nKEEP=" + EncodeCp932(u"日本語"_s) +
                         "\r\nNAME2=secret\r\nNAME3=1\r\n\r\n[Last]\nX=1\n");
    const Credentials c = ReadCredentials();
    EXPECT_EQ(c.AccountId, u"新しい"_s);
    EXPECT_EQ(c.Password, u"secret"_s);
    EXPECT_EQ(QDir(root_ + u"/★MailData"_s).entryList(QDir::Files).size(), 1);
}

TEST_F(SettingsTest, CredentialValuesAreCutAt255Characters) {
    ASSERT_TRUE(SaveCredentials(QString(300, u'x'), QString(300, u'パ'), true));
    const Credentials c = ReadCredentials();
    EXPECT_EQ(c.AccountId, QString(255, u'x'));
    EXPECT_EQ(c.Password, QString(255, u'パ'));
}

// The routine every whole-file save goes through: the old file's mode and a link to it are kept,
// and a write the system cuts short (here the size limit, as a full disk would) fails at that
// step with its cause, the old file whole and no temporary file left.
TEST_F(SettingsTest, WholeFileReplacementKeepsModeAndLinkAndFailsWithoutHarm) {
    WriteFile(u"klmail.ini"_s, "SMTP=古い\r\n");
    const QString path = root_ + u"/klmail.ini"_s;
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0640), 0);
    ASSERT_TRUE(QFile::link(path, root_ + u"/link.ini"_s));
    ASSERT_TRUE(platform::ReplaceFileWhole(root_ + u"/link.ini"_s, EncodeCp932(u"SMTP=新しい\r\n"_s)));
    EXPECT_EQ(ReadFile(u"klmail.ini"_s), EncodeCp932(u"SMTP=新しい\r\n"_s));
    EXPECT_TRUE(QFileInfo(root_ + u"/link.ini"_s).isSymLink());
    EXPECT_EQ(Mode(path), 0640);

    rlimit before{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &before), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = before;
    small.rlim_cur = 4;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const platform::ReplaceResult result = platform::ReplaceFileWhole(path, QByteArray(100, 'x'));
    ::setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, previous);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.step, u"一時ファイルに書き込めません"_s);
    EXPECT_EQ(result.error, EFBIG);
    EXPECT_TRUE(result.Text().contains(u"klmail.ini"_s)) << result.Text().toStdString();
    EXPECT_EQ(ReadFile(u"klmail.ini"_s), EncodeCp932(u"SMTP=新しい\r\n"_s));
    EXPECT_EQ(QDir(root_).entryList({u"klmail.ini*"_s}, QDir::Files | QDir::Hidden),
              QStringList{u"klmail.ini"_s});
}

// A writer killed before its rename leaves its temporary file; the next replacement of the same
// file removes it, but never one another writer is still filling (it holds a lock on it) nor a
// file of the user's that only looks alike.
TEST_F(SettingsTest, ReplacementRemovesTheTemporaryFilesOfKilledWritersOnly) {
    const QStringList kept = {u"klmail.ini.backup"_s, u"klmail.ini.tmp-1234567"_s, u"klmail.ini.tmp-Busy01"_s,
                              u"other.ini.tmp-Dead02"_s};
    for (const QString& name : kept + QStringList{u"klmail.ini.tmp-Dead01"_s, u"klmail.ini.tmp-x_Y-9z"_s})
        WriteFile(name, "partial");
    const int busy = ::open(QFile::encodeName(root_ + u"/klmail.ini.tmp-Busy01"_s).constData(), O_RDONLY);
    ASSERT_GE(busy, 0);
    ASSERT_EQ(::flock(busy, LOCK_EX), 0);
    ASSERT_TRUE(platform::ReplaceFileWhole(root_ + u"/klmail.ini"_s, EncodeCp932(u"SMTP=新しい\r\n"_s)));
    ::close(busy);
    QStringList expected = kept + QStringList{u"klmail.ini"_s, u"klmail.ini.tmp-x_Y-9z"_s};
    expected.sort();
    EXPECT_EQ(QDir(root_).entryList({u"*.ini*"_s}, QDir::Files | QDir::Hidden, QDir::Name), expected);
    EXPECT_EQ(ReadFile(u"klmail.ini"_s), EncodeCp932(u"SMTP=新しい\r\n"_s));
}

} // namespace
