// ricorne-mailtool's commands that find and move mail, run as a program the way scripts use them.
#include "../tools/ToolRunner.h"
#include "KilledChild.h"
#include "TempAppDir.h"
#include "core/paths/Paths.h"
#include "core/stores/RecordStore.h"
#include "core/text/Text.h"

#include <QDir>
#include <QDirIterator>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
#include <QThread>
#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

namespace ricorne {
namespace {

using ricorne::testing::kMailTool;
using ricorne::testing::RunTool;
using ricorne::testing::ToolRun;

class ArchiveToolTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(app_.IsValid()); }

    static void Append(const StoreDescriptor& store, const QString& subject, const QString& address,
                       const QString& date, const QString& body) {
        MailRecord r;
        SetField(r.Subject, subject);
        SetField(r.Address, address);
        SetField(r.DateText, date);
        SetField(r.Body, body);
        ASSERT_TRUE(AppendRecord(store, r));
    }

    ricorne::testing::TempAppDir app_;
};

TEST_F(ArchiveToolTest, SearchPrintsOneJsonLinePerHitAndFailsOnlyWhenItCannotSearch) {
    Append(ReceivedStore(), u"会議のお知らせ"_s, u"田中 <tanaka@example.jp>"_s,
           u"Mon, 1 Apr 2024 09:00:00 +0900"_s, u"ﾐｰﾃｨﾝｸﾞは十時から"_s);
    Append(ReceivedStore(), u"写真"_s, u"hanako@example.jp"_s, u"Tue, 2 Apr 2024"_s, u"花見"_s);
    Append(ReceivedStore(), u"みーてぃんぐ"_s, u"suzuki@example.jp"_s, u"Wed, 3 Apr 2024"_s, u"田中さんも"_s);

    ToolRun run =
        RunTool({u"search"_s, u"--appdir"_s, app_.Path(), u"received"_s, u"ミーティング"_s, u"田中"_s});
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    const QList<QByteArray> lines = run.out.split('\n');
    ASSERT_EQ(lines.size(), 3) << run.out.constData(); // two objects and the end
    EXPECT_EQ(lines[0],
              u"{\"n\":1,\"subject\":\"会議のお知らせ\",\"date\":\"Mon, 1 Apr 2024 09:00:00 +0900\","
              u"\"address\":\"田中 <tanaka@example.jp>\"}"_s.toUtf8());
    EXPECT_EQ(QJsonDocument::fromJson(lines[1]).object()[u"n"_s].toInt(), 3);

    run = RunTool(
        {u"search"_s, u"--appdir"_s, app_.Path(), u"received"_s, u"--exact-kana"_s, u"ミーティング"_s});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.out.isEmpty()) << run.out.constData();

    EXPECT_EQ(RunTool({u"search"_s, u"--appdir"_s, app_.Path(), u"sent"_s, u"x"_s}).exitCode,
              0); // no store yet
    EXPECT_EQ(RunTool({u"search"_s, u"--appdir"_s, app_.Path(), u"received"_s}).exitCode, 2);
    EXPECT_EQ(RunTool({u"search"_s, u"--appdir"_s, app_.Path(), u"addresses"_s, u"x"_s}).exitCode, 2);
    EXPECT_EQ(
        RunTool({u"search"_s, u"--appdir"_s, app_.Path() + u"/nothing"_s, u"received"_s, u"x"_s}).exitCode,
        1);
    ASSERT_TRUE(QDir().mkpath(StorePath(SentStore())));
    EXPECT_EQ(RunTool({u"search"_s, u"--appdir"_s, app_.Path(), u"sent"_s, u"x"_s}).exitCode, 1);
}

// Reads what the export wrote with Python's email package: one JSON object per message.
constexpr char kReadMessages[] = R"PY(
import email, email.policy, json, mailbox, os, sys
def row(m):
    body = m.get_body(preferencelist=('plain',)).get_content()
    sender = m['from'].addresses[0]
    return {'subject': str(m['subject']), 'from': sender.display_name + '|' + sender.addr_spec,
            'date': str(m['date']), 'xdate': str(m['x-ricorne-date'] or ''),
            'xaddress': str(m['x-ricorne-address'] or ''), 'body': body}
kind, path = sys.argv[1], sys.argv[2]
if kind == 'mbox':
    msgs = [email.message_from_bytes(m.as_bytes(), policy=email.policy.default) for m in mailbox.mbox(path)]
else:
    msgs = [email.message_from_binary_file(open(os.path.join(path, f), 'rb'), policy=email.policy.default)
            for f in sorted(os.listdir(path))]
print(json.dumps([row(m) for m in msgs], ensure_ascii=False))
)PY";

QJsonArray ReadWithPython(const QString& kind, const QString& path) {
    QProcess p;
    p.start(u"python3"_s, {u"-c"_s, QString::fromUtf8(kReadMessages), kind, path});
    if (!p.waitForFinished(60000) || p.exitCode() != 0) {
        ADD_FAILURE() << p.readAllStandardError().constData();
        return {};
    }
    return QJsonDocument::fromJson(p.readAllStandardOutput()).array();
}

// mboxrd: the reader takes one ">" off a line that is ">...>From ".
QString UnquoteFrom(QString body) {
    static const QRegularExpression quoted(u"^>(>*From )"_s, QRegularExpression::MultilineOption);
    return body.replace(quoted, u"\\1"_s);
}

TEST_F(ArchiveToolTest, ExportedMailReadsBackInPythonAndMailxWithEveryCharacter) {
    const QString body1 = u"山田様\r\nFrom the start of a line\r\n>From quoted once\r\n鈴木"_s;
    Append(ReceivedStore(), u"打ち合わせの件（再送）"_s, u"鈴木 \"一郎\" <suzuki@example.co.jp>"_s,
           u"Mon, 1 Apr 2024 09:12:44 +0900"_s, body1);
    Append(ReceivedStore(), u"髙橋さんの件"_s, u"takahashi@example.jp"_s, u"Tue, 2 Apr 2024 10:00:00 +0000"_s,
           u"髙橋です。①②　㈱～ﾊﾝｶｸも。\r\nFrom here"_s);
    Append(ReceivedStore(), u"メモ"_s, u"田中さん"_s, u"昨日の夜"_s, u"アドレスのないメール"_s);
    const QString mbox = app_.Path() + u"/受信.mbox"_s;
    ToolRun run = RunTool({u"export"_s, u"--appdir"_s, app_.Path(), u"received"_s, u"--mbox"_s, mbox});
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    EXPECT_EQ(QJsonDocument::fromJson(run.out).object()[u"written"_s].toInt(), 3);
    const QString emlDir = app_.Path() + u"/eml"_s;
    run = RunTool({u"export"_s, u"--appdir"_s, app_.Path(), u"received"_s, u"--eml-dir"_s, emlDir});
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    EXPECT_EQ(QDir(emlDir).entryList(QDir::Files),
              (QStringList{u"00001.eml"_s, u"00002.eml"_s, u"00003.eml"_s}));
    EXPECT_EQ(QFileInfo(mbox).permissions() & (QFile::ReadOther | QFile::ReadGroup), QFile::Permissions());

    for (const QString& kind : {u"mbox"_s, u"eml"_s}) {
        SCOPED_TRACE(kind.toStdString());
        const QJsonArray rows = ReadWithPython(kind, kind == u"mbox" ? mbox : emlDir);
        ASSERT_EQ(rows.size(), 3);
        const QJsonObject first = rows[0].toObject();
        EXPECT_EQ(first[u"subject"_s].toString(), u"打ち合わせの件（再送）"_s);
        EXPECT_EQ(first[u"from"_s].toString(), u"鈴木 \"一郎\"|suzuki@example.co.jp"_s);
        EXPECT_EQ(first[u"date"_s].toString(), u"Mon, 01 Apr 2024 09:12:44 +0900"_s);
        QString text = FromCrLf(first[u"body"_s].toString()); // canonical text has CR LF
        if (kind == u"mbox")
            text = UnquoteFrom(text);
        EXPECT_EQ(text, FromCrLf(body1) + u"\n"_s); // 7-bit ISO-2022-JP, quoted in the mbox
        EXPECT_EQ(rows[1].toObject()[u"body"_s].toString(),
                  u"髙橋です。①②　㈱～ﾊﾝｶｸも。\r\nFrom here"_s); // UTF-8
        const QJsonObject third = rows[2].toObject();
        EXPECT_EQ(third[u"from"_s].toString(), u"|unknown@unknown.invalid"_s);
        EXPECT_EQ(third[u"xaddress"_s].toString(), u"田中さん"_s);
        EXPECT_EQ(third[u"xdate"_s].toString(), u"昨日の夜"_s);
    }

    // A second reader: s-nail (mailx) lists the three mails with their subjects decoded.
    QProcess mailx;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"LC_ALL"_s, u"C.UTF-8"_s);
    mailx.setProcessEnvironment(env);
    mailx.start(u"s-nail"_s, {u"-n"_s, u"-#"_s, u"-R"_s, u"-S"_s, u"ttycharset=utf-8"_s, u"-f"_s, mbox});
    mailx.write("headers\nprint 2\n");
    mailx.closeWriteChannel();
    ASSERT_TRUE(mailx.waitForFinished(30000));
    const QString listed = QString::fromUtf8(mailx.readAllStandardOutput());
    EXPECT_TRUE(listed.contains(u"打ち合わせの件"_s)) << listed.toStdString();
    EXPECT_TRUE(listed.contains(u"  3 "_s)) << listed.toStdString();
    EXPECT_TRUE(listed.contains(u"Subject: 髙橋さんの件"_s)) << listed.toStdString();
}

TEST_F(ArchiveToolTest, AddressBookExportsAsVcardAndCsvAndFailuresLeaveNothing) {
    const std::pair<QString, QString> entries[] = {{u"山田 太郎"_s, u"taro@example.jp"_s},
                                                   {u"Smith, John; \"Jr\""_s, u"john@example.com"_s},
                                                   {QString(40, u'長'), u"long@example.jp"_s}};
    for (const auto& [name, address] : entries) {
        AddressRecord r;
        SetField(r.Name, name);
        SetField(r.MailAddress, address);
        ASSERT_TRUE(AppendRecord(AddressStore(), r));
    }
    const QString vcf = app_.Path() + u"/book.vcf"_s, csv = app_.Path() + u"/book.csv"_s;
    ASSERT_EQ(RunTool({u"export"_s, u"--appdir"_s, app_.Path(), u"addresses"_s, u"--vcard"_s, vcf}).exitCode,
              0);
    ASSERT_EQ(RunTool({u"export"_s, u"--appdir"_s, app_.Path(), u"addresses"_s, u"--csv"_s, csv}).exitCode,
              0);
    QProcess p;
    p.start(u"python3"_s, {u"-c"_s, uR"PY(
import csv, json, re, sys
raw = open(sys.argv[1], 'rb').read().decode('utf-8')
assert all(len(l.encode()) <= 75 for l in raw.split('\r\n')), 'a vCard line is longer than 75 octets'
text = re.sub(r'\r\n[ \t]', '', raw)
cards = []
for card in text.split('BEGIN:VCARD\r\n')[1:]:
    fields = dict(l.split(':', 1) for l in card.split('\r\n') if ':' in l)
    un = lambda v: re.sub(r'\\(.)', lambda m: '\n' if m.group(1) in 'nN' else m.group(1), v)
    cards.append([fields['VERSION'], un(fields['FN']), un(fields['EMAIL'])])
rows = list(csv.reader(open(sys.argv[2], encoding='utf-8-sig', newline='')))
print(json.dumps({'cards': cards, 'csv': rows}, ensure_ascii=False))
)PY"_s,
                           vcf, csv});
    ASSERT_TRUE(p.waitForFinished(30000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().constData();
    const QJsonObject read = QJsonDocument::fromJson(p.readAllStandardOutput()).object();
    const QJsonArray cards = read[u"cards"_s].toArray(), rows = read[u"csv"_s].toArray();
    ASSERT_EQ(cards.size(), 3);
    ASSERT_EQ(rows.size(), 4);
    EXPECT_EQ(rows[0].toArray()[1].toString(), u"E-mail Address"_s);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(cards[i].toArray()[0].toString(), u"4.0"_s);
        EXPECT_EQ(cards[i].toArray()[1].toString(), entries[i].first);
        EXPECT_EQ(cards[i].toArray()[2].toString(), entries[i].second);
        EXPECT_EQ(rows[i + 1].toArray()[0].toString(), entries[i].first);
        EXPECT_EQ(rows[i + 1].toArray()[1].toString(), entries[i].second);
    }

    // A folder that does not exist: failure, and nothing under the name.
    const QString nowhere = app_.Path() + u"/missing/book.vcf"_s;
    EXPECT_EQ(
        RunTool({u"export"_s, u"--appdir"_s, app_.Path(), u"addresses"_s, u"--vcard"_s, nowhere}).exitCode,
        1);
    EXPECT_FALSE(QFile::exists(nowhere));
    EXPECT_EQ(RunTool({u"export"_s, u"--appdir"_s, app_.Path(), u"addresses"_s, u"--mbox"_s, vcf}).exitCode,
              2);
}

// Three Japanese mails written by Python's mailbox module in every format we import: out of date
// order, one in ISO-2022-JP, one with an attachment, one whose body has a "From " line.
constexpr char kWriteMailboxes[] = R"PY(
import email.header, email.message, email.policy, mailbox, os, sys
out = sys.argv[1]
def jis(subject, body, date):
    raw = ('From: =?ISO-2022-JP?B?GyRCOzNFRBsoQg==?= <yamada@example.jp>\n'
           'To: =?UTF-8?B?6Yi05pyo?= <suzuki@example.jp>\n'
           'Subject: %s\nDate: %s\nMIME-Version: 1.0\n'
           'Content-Type: text/plain; charset=ISO-2022-JP\nContent-Transfer-Encoding: 7bit\n\n'
           % (subject, date)).encode() + body.encode('iso2022_jp') + b'\n'
    return email.message_from_bytes(raw)
def utf8(subject, body, date, attach=None):
    m = email.message.EmailMessage()
    m['From'] = '佐藤 花子 <sato@example.jp>'
    m['To'] = 'suzuki@example.jp'
    m['Subject'] = subject
    m['Date'] = date
    m.set_content(body)
    if attach:
        m.add_attachment(b'%PDF-1.4 test', maintype='application', subtype='pdf', filename=attach)
    return m
msgs = [utf8('三通目', '本文です。\nFrom here on\n', 'Wed, 03 Apr 2024 10:00:00 +0900'),
        jis(email.header.Header('一通目', 'iso-2022-jp').encode(), '一通目の本文', 'Mon, 01 Apr 2024 09:00:00 +0900'),
        utf8('二通目', '見積書を送ります。', 'Tue, 02 Apr 2024 09:30:00 +0900', '見積書.pdf')]
for kind, box in [('mbox', mailbox.mbox(os.path.join(out, 'in.mbox'))),
                  ('maildir', mailbox.Maildir(os.path.join(out, 'Maildir'))),
                  ('mh', mailbox.MH(os.path.join(out, 'MH')))]:
    for m in msgs:
        box.add(m)
    box.flush()
os.makedirs(os.path.join(out, 'eml'), exist_ok=True)
for i, m in enumerate(msgs):
    open(os.path.join(out, 'eml', 'm%d.eml' % i), 'wb').write(m.as_bytes())
)PY";

QString MakeAppDir(const QString& path) {
    QDir().mkpath(path + u"/★MailData"_s);
    QDir().mkpath(path + u"/添付フォルダ"_s);
    return path;
}

std::vector<std::unique_ptr<MailRecord>> StoredMail(const QString& appDir, const QString& file) {
    std::vector<std::unique_ptr<MailRecord>> records;
    QFile f(appDir + u"/★MailData/"_s + file);
    if (!f.open(QIODevice::ReadOnly))
        return records;
    const QByteArray bytes = f.readAll();
    for (qsizetype at = 0; at + qsizetype(sizeof(MailRecord)) <= bytes.size(); at += sizeof(MailRecord)) {
        records.push_back(std::make_unique<MailRecord>());
        std::memcpy(static_cast<void*>(records.back().get()), bytes.constData() + at, sizeof(MailRecord));
    }
    return records;
}

QString Field(const char* field, std::size_t n) {
    return Trim(DecodeCp932(QByteArray(field, qsizetype(n))));
}
#define FIELD(r, name) Field((r)->name, sizeof((r)->name))

QJsonObject Counts(const ToolRun& run) {
    return QJsonDocument::fromJson(run.out).object();
}

TEST_F(ArchiveToolTest, MailWrittenByPythonImportsFromEveryFormatDecodedInDateOrderAndOnlyOnce) {
    QProcess writer;
    writer.start(u"python3"_s, {u"-c"_s, QString::fromUtf8(kWriteMailboxes), app_.Path()});
    ASSERT_TRUE(writer.waitForFinished(60000));
    ASSERT_EQ(writer.exitCode(), 0) << writer.readAllStandardError().constData();

    const QString sources[] = {u"in.mbox"_s, u"Maildir"_s, u"MH"_s, u"eml"_s};
    for (const QString& source : sources) {
        SCOPED_TRACE(source.toStdString());
        const QString dir = MakeAppDir(app_.Path() + u"/app-"_s + source);
        const QStringList args = {u"import"_s, u"--appdir"_s, dir, u"received"_s,
                                  app_.Path() + u'/' + source};
        ToolRun run = RunTool(args);
        ASSERT_EQ(run.exitCode, 0) << run.err.constData();
        EXPECT_EQ(Counts(run)[u"imported"_s].toInt(), 3);
        const auto stored = StoredMail(dir, u"klmdata2.data"_s);
        ASSERT_EQ(stored.size(), 3u);
        EXPECT_EQ(FIELD(stored[0], Subject), u"一通目"_s); // oldest first
        EXPECT_EQ(FIELD(stored[0], Address), u"山田 <yamada@example.jp>"_s);
        EXPECT_EQ(FIELD(stored[0], Body), u"一通目の本文\r\n"_s);
        EXPECT_EQ(FIELD(stored[1], Subject), u"二通目"_s);
        EXPECT_TRUE(FIELD(stored[1], Body).startsWith(u"見積書を送ります。"_s));
        EXPECT_TRUE(QFile::exists(dir + u"/添付フォルダ/見積書.pdf"_s));
        EXPECT_EQ(FIELD(stored[2], Subject), u"三通目"_s);
        // Python's generator writes the line as ">From" into every file; only an mbox's quoting is
        // the format's, to be undone.
        EXPECT_EQ(FIELD(stored[2], Body), source == u"in.mbox" ? u"本文です。\r\nFrom here on\r\n"_s
                                                               : u"本文です。\r\n>From here on\r\n"_s);
        EXPECT_EQ(FIELD(stored[2], DateText), u"Wed, 03 Apr 2024 10:00:00 +0900"_s);

        run = RunTool(args); // again: nothing new
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(Counts(run)[u"already_there"_s].toInt(), 3);
        EXPECT_EQ(StoredMail(dir, u"klmdata2.data"_s).size(), 3u);
        EXPECT_EQ(QDir(dir + u"/添付フォルダ"_s).entryList(QDir::Files).size(), 1);
    }

    // Into the sent history the other party is the recipient.
    const QString dir = MakeAppDir(app_.Path() + u"/app-sent"_s);
    ASSERT_EQ(RunTool({u"import"_s, u"--appdir"_s, dir, u"sent"_s, app_.Path() + u"/in.mbox"_s}).exitCode, 0);
    const auto sent = StoredMail(dir, u"klmdata5.data"_s);
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(FIELD(sent[0], Address), u"鈴木 <suzuki@example.jp>"_s);
}

// A kill between the journal line and the record, or between the record and its confirmation:
// the next import stores the mail if it is missing and not again if it is there.
TEST_F(ArchiveToolTest, AnImportCutShortStoresEachMailOnceOrNotAtAll) {
    QProcess writer;
    writer.start(u"python3"_s, {u"-c"_s, QString::fromUtf8(kWriteMailboxes), app_.Path()});
    ASSERT_TRUE(writer.waitForFinished(60000));
    const QString dir = MakeAppDir(app_.Path() + u"/app"_s);
    const QString mbox = app_.Path() + u"/in.mbox"_s;
    const QString journal = dir + u"/★MailData/imported.txt"_s;
    ASSERT_EQ(RunTool({u"import"_s, u"--appdir"_s, dir, u"received"_s, mbox}).exitCode, 0);
    QFile f(journal);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = f.readAll().split('\n');
    f.close();
    ASSERT_EQ(lines.size(), 7); // P D P D P D and the end

    // Killed after the third record was written, before its confirmation.
    QByteArray cut;
    for (int i = 0; i < 5; ++i)
        cut += lines[i] + '\n';
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(cut);
    f.close();
    ToolRun run = RunTool({u"import"_s, u"--appdir"_s, dir, u"received"_s, mbox});
    EXPECT_EQ(run.exitCode, 0) << run.err.constData();
    EXPECT_EQ(Counts(run)[u"imported"_s].toInt(), 0);
    EXPECT_EQ(StoredMail(dir, u"klmdata2.data"_s).size(), 3u);

    // Killed before the third record reached the store.
    QFile store(dir + u"/★MailData/klmdata2.data"_s);
    ASSERT_TRUE(store.resize(2 * qint64(sizeof(MailRecord))));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(cut);
    f.close();
    run = RunTool({u"import"_s, u"--appdir"_s, dir, u"received"_s, mbox});
    EXPECT_EQ(run.exitCode, 0) << run.err.constData();
    EXPECT_EQ(Counts(run)[u"imported"_s].toInt(), 1);
    const auto stored = StoredMail(dir, u"klmdata2.data"_s);
    ASSERT_EQ(stored.size(), 3u);
    EXPECT_EQ(FIELD(stored[2], Subject), u"三通目"_s);
}

// The real thing: import killed (SIGKILL) at random moments, again and again, until one run
// ends by itself. Each mail is then in the store exactly once.
TEST_F(ArchiveToolTest, ImportKilledAgainAndAgainStoresEveryMailExactlyOnce) {
    QProcess writer;
    writer.start(u"python3"_s, {u"-c"_s, uR"PY(
import email.message, mailbox, sys
box = mailbox.mbox(sys.argv[1])
for n in range(100):
    m = email.message.EmailMessage()
    m['From'] = 'sato@example.jp'
    m["Subject"] = "通番%03d" % n
    m["Date"] = "Mon, 01 Apr 2024 %02d:%02d:00 +0900" % (9 + n // 60, n % 60)
    m.set_content('本文%d' % n)
    if n % 4 == 0:
        m.add_attachment(b'data%d' % n, maintype='application', subtype='octet-stream', filename='添付%d.bin' % n)
    box.add(m)
box.flush()
)PY"_s,
                                app_.Path() + u"/many.mbox"_s});
    ASSERT_TRUE(writer.waitForFinished(60000));
    ASSERT_EQ(writer.exitCode(), 0) << writer.readAllStandardError().constData();
    const QString dir = MakeAppDir(app_.Path() + u"/app"_s);
    QRandomGenerator random(26);
    int killed = 0;
    for (int trial = 0; trial < 60; ++trial) {
        QProcess tool;
        RunWithoutLeakCheck(tool);
        tool.start(kMailTool,
                   {u"import"_s, u"--appdir"_s, dir, u"received"_s, app_.Path() + u"/many.mbox"_s});
        ASSERT_TRUE(tool.waitForStarted(10000));
        // Early trials kill within milliseconds of the start, so some kill lands even on a
        // machine fast enough to import everything in a fraction of a second; later ones later.
        QThread::usleep(2000u + 4000u * unsigned(trial) + random.bounded(4000u));
        ::kill(pid_t(tool.processId()), SIGKILL);
        ASSERT_TRUE(tool.waitForFinished(30000));
        const auto stored = StoredMail(dir, u"klmdata2.data"_s);
        QSet<QString> subjects;
        for (const auto& r : stored)
            EXPECT_FALSE(subjects.contains(FIELD(r, Subject)))
                << "stored twice: " << FIELD(r, Subject).toStdString();
        for (const auto& r : stored)
            subjects.insert(FIELD(r, Subject));
        if (tool.exitStatus() == QProcess::NormalExit) {
            EXPECT_EQ(tool.exitCode(), 0);
            break;
        }
        ++killed;
    }
    EXPECT_GT(killed, 0); // the kills landed while it worked

    const ToolRun last =
        RunTool({u"import"_s, u"--appdir"_s, dir, u"received"_s, app_.Path() + u"/many.mbox"_s});
    EXPECT_EQ(last.exitCode, 0) << last.err.constData();
    EXPECT_EQ(StoredMail(dir, u"klmdata2.data"_s).size(), 100u);
}

TEST_F(ArchiveToolTest, AFullStoreTakesWhatFitsAndSaysWhatDidNot) {
    QProcess writer;
    writer.start(u"python3"_s, {u"-c"_s, QString::fromUtf8(kWriteMailboxes), app_.Path()});
    ASSERT_TRUE(writer.waitForFinished(60000));
    const QString dir = MakeAppDir(app_.Path() + u"/app"_s);
    QFile store(dir + u"/★MailData/klmdata2.data"_s);
    ASSERT_TRUE(store.open(QIODevice::WriteOnly));
    ASSERT_TRUE(store.resize(qint64(kMaxRecordNumber - 1) * qint64(sizeof(MailRecord)))); // sparse
    store.close();
    const ToolRun run =
        RunTool({u"import"_s, u"--appdir"_s, dir, u"received"_s, app_.Path() + u"/in.mbox"_s});
    EXPECT_EQ(run.exitCode, 1);
    const QJsonObject counts = Counts(run);
    EXPECT_EQ(counts[u"imported"_s].toInt(), 1);
    EXPECT_EQ(counts[u"not_imported"_s].toInt(), 2);
    EXPECT_TRUE(counts[u"store_full"_s].toBool());
    EXPECT_TRUE(run.err.contains("2 mails were not imported")) << run.err.constData();
    EXPECT_EQ(QFileInfo(store).size(), qint64(kMaxRecordNumber) * qint64(sizeof(MailRecord)));
}

// Other projects' mbox files: every message found is stored, none crashes the import.
TEST_F(ArchiveToolTest, PeerMboxFilesImportWhole) {
    const QString env = qEnvironmentVariable("RICORNE_PEER_CORPORA");
    const QString corpora =
        env.isEmpty() ? QStringLiteral(RICORNE_SOURCE_DIR "/../shared/peer-corpora") : env;
    QStringList files;
    for (const QString& sub : {u"gmime/mbox/input"_s, u"kmime"_s}) {
        for (const QString& name : QDir(corpora + u'/' + sub).entryList({u"*.mbox"_s}, QDir::Files))
            files.append(corpora + u'/' + sub + u'/' + name);
    }
    if (files.isEmpty())
        GTEST_SKIP() << "no peer corpora at " << corpora.toStdString();
    for (const QString& file : files) {
        SCOPED_TRACE(file.toStdString());
        const QString dir = MakeAppDir(app_.Path() + u"/"_s + QFileInfo(file).completeBaseName());
        const ToolRun run = RunTool({u"import"_s, u"--appdir"_s, dir, u"received"_s, file});
        EXPECT_EQ(run.exitCode, 0) << run.err.constData();
        const QJsonObject counts = Counts(run);
        EXPECT_GT(counts[u"found"_s].toInt(), 0);
        EXPECT_EQ(counts[u"imported"_s].toInt(), counts[u"found"_s].toInt());
    }
}

TEST_F(ArchiveToolTest, AddressesImportFromOurVcardAndAThunderbirdCsvOnce) {
    const QString vcf = app_.Path() + u"/in.vcf"_s, csv = app_.Path() + u"/tb.csv"_s;
    QFile v(vcf);
    ASSERT_TRUE(v.open(QIODevice::WriteOnly));
    v.write(u"BEGIN:VCARD\r\nVERSION:4.0\r\nFN:山田 太郎\r\nEMAIL:taro@example.jp\r\nEND:VCARD\r\n"
            u"BEGIN:VCARD\r\nVERSION:3.0\r\nN:Smith;John;;;\r\nitem1.EMAIL;TYPE=INTERNET:john@exam\r\n "
            u"ple.com\r\n"
            u"EMAIL:js@example.com\r\nEND:VCARD\r\n"_s.toUtf8());
    v.write("BEGIN:VCARD\r\nVERSION:2.1\r\nFN;CHARSET=SHIFT_JIS;ENCODING=QUOTED-PRINTABLE:=8D=B2=93=A1\r\n"
            "EMAIL;INTERNET:sato@example.jp\r\nEND:VCARD\r\n");
    v.close();
    QFile c(csv);
    ASSERT_TRUE(c.open(QIODevice::WriteOnly));
    c.write(u"First Name,Last Name,Display Name,Nickname,Primary Email\r\n"
            u"花子,鈴木,\"鈴木, 花子\",,hanako@example.jp\r\n"
            u"太郎,山田,山田 太郎,,taro@example.jp\r\n"_s.toUtf8());
    c.close();

    ToolRun run = RunTool({u"import"_s, u"--appdir"_s, app_.Path(), u"addresses"_s, vcf});
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    EXPECT_EQ(Counts(run)[u"imported"_s].toInt(), 4);
    run = RunTool({u"import"_s, u"--appdir"_s, app_.Path(), u"addresses"_s, csv});
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    EXPECT_EQ(Counts(run)[u"imported"_s].toInt(), 1);
    EXPECT_EQ(Counts(run)[u"already_there"_s].toInt(), 1);

    const ToolRun list = RunTool({u"list"_s, u"--appdir"_s, app_.Path(), u"addresses"_s});
    QStringList book;
    for (const QJsonValue& row : QJsonDocument::fromJson(list.out).array())
        book.append(row[u"name"_s].toString() + u'|' + row[u"mail_address"_s].toString());
    EXPECT_EQ(book, (QStringList{u"山田 太郎|taro@example.jp"_s, u"Smith John|john@example.com"_s,
                                 u"Smith John|js@example.com"_s, u"佐藤|sato@example.jp"_s,
                                 u"鈴木, 花子|hanako@example.jp"_s}));
    EXPECT_EQ(RunTool({u"import"_s, u"--appdir"_s, app_.Path(), u"addresses"_s, app_.Path() + u"/none.csv"_s})
                  .exitCode,
              1);
}

// Every file under the program folder's data, by relative path, with its bytes.
QMap<QString, QByteArray> DataOf(const QString& appDir) {
    QMap<QString, QByteArray> data;
    QDirIterator it(appDir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = QDir(appDir).relativeFilePath(path);
        if (relative.endsWith(u"ricorne.lock"_s) || relative.startsWith(u"out/"_s))
            continue;
        QFile f(path);
        if (f.open(QIODevice::ReadOnly))
            data.insert(relative, f.readAll());
    }
    return data;
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

TEST_F(ArchiveToolTest, BackupRestoresEveryFileAndABadArchiveChangesNothing) {
    const QString app = app_.Path();
    WriteFile(app + u"/klmail.ini"_s, EncodeCp932(u"SMTP=smtp.example.jp\r\nMAIL=山田@example.jp\r\n"_s));
    Append(ReceivedStore(), u"打ち合わせ"_s, u"鈴木 <s@example.jp>"_s, u"Mon, 1 Apr 2024"_s, u"本文"_s);
    WriteFile(app + u"/★MailData/iniIdPass.ini"_s, "[EXEINI]\r\nNAME=taro\r\n");
    WriteFile(app + u"/添付フォルダ/見積書.pdf"_s, "%PDF-1.4");
    WriteFile(app + u"/顔文字データ/Kao1.txt"_s, EncodeCp932(u"(^_^)\r\n（´・ω・｀）\r\n"_s));
    WriteFile(app + u"/■TextQuickSave/打ち合わせ.txt"_s, EncodeCp932(u"件名\r\n"_s));
    WriteFile(app + u"/添付フォルダ/分割/part.eml"_s, "Subject: x\r\n\r\n");
    const QMap<QString, QByteArray> before = DataOf(app);
    ASSERT_GE(before.size(), 7);

    const QString out = app + u"/out"_s;
    ASSERT_TRUE(QDir().mkpath(out));
    ToolRun run = RunTool({u"backup"_s, u"--appdir"_s, app, out});
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    const QString archive = QJsonDocument::fromJson(run.out).object()[u"path"_s].toString();
    EXPECT_TRUE(QRegularExpression(u"/ricorne-backup-\\d{8}-\\d{6}\\.tar\\.zst$"_s).match(archive).hasMatch())
        << archive.toStdString();
    EXPECT_EQ(QFileInfo(archive).permissions() & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());

    // GNU tar reads it: every data file and the manifest of digests, names in UTF-8.
    QProcess tar;
    tar.start(u"tar"_s, {u"--zstd"_s, u"-tf"_s, archive});
    ASSERT_TRUE(tar.waitForFinished(30000));
    QStringList listed = QString::fromUtf8(tar.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    EXPECT_EQ(listed.takeLast(), u"ricorne-manifest.txt"_s);
    listed.sort();
    EXPECT_EQ(listed, QStringList(before.keys()));

    // Changed afterwards, then restored: exactly the data of the backup again.
    Append(ReceivedStore(), u"後から"_s, u"x@example.jp"_s, u"Tue"_s, u"追加"_s);
    QFile::remove(app + u"/添付フォルダ/見積書.pdf"_s);
    WriteFile(app + u"/添付フォルダ/新しい.txt"_s, "new");
    WriteFile(app + u"/klmail.ini"_s, "SMTP=other\r\n");
    const QMap<QString, QByteArray> changed = DataOf(app);
    run = RunTool({u"restore"_s, u"--appdir"_s, app, archive});
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    EXPECT_EQ(DataOf(app), before);
    EXPECT_TRUE(QDir(app).entryList({u".ricorne-restore-*"_s}, QDir::Dirs | QDir::Hidden).isEmpty());

    // A cut archive, one whose file no longer matches its digest, and one that reaches outside
    // the program folder: refused, and not one file changes.
    WriteFile(app + u"/klmail.ini"_s, "SMTP=other\r\n");
    const QMap<QString, QByteArray> now = DataOf(app);
    QFile whole(archive);
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
    const QByteArray bytes = whole.readAll();
    WriteFile(out + u"/cut.tar.zst"_s, bytes.left(bytes.size() / 2));
    QProcess python;
    python.start(u"python3"_s, {u"-c"_s, uR"PY(
import io, subprocess, sys, tarfile
out = sys.argv[1]
def pack(name, entries):
    raw = io.BytesIO()
    with tarfile.open(fileobj=raw, mode='w', format=tarfile.PAX_FORMAT) as t:
        for path, data in entries:
            info = tarfile.TarInfo(path); info.size = len(data); t.addfile(info, io.BytesIO(data))
    open(out + '/' + name, 'wb').write(subprocess.run(['zstd', '-q', '-c'], input=raw.getvalue(), capture_output=True).stdout)
good = b'SMTP=evil\r\n'
pack('tampered.tar.zst', [('klmail.ini', good), ('ricorne-manifest.txt', b'0' * 64 + b' 11 klmail.ini\n')])
pack('escape.tar.zst', [('../evil.txt', b'x'), ('ricorne-manifest.txt', b'')])
)PY"_s,
                                out});
    ASSERT_TRUE(python.waitForFinished(30000));
    ASSERT_EQ(python.exitCode(), 0) << python.readAllStandardError().constData();
    for (const QString& bad : {u"cut.tar.zst"_s, u"tampered.tar.zst"_s, u"escape.tar.zst"_s}) {
        SCOPED_TRACE(bad.toStdString());
        run = RunTool({u"restore"_s, u"--appdir"_s, app, out + u'/' + bad});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(DataOf(app), now);
        EXPECT_FALSE(QFile::exists(app + u"/../evil.txt"_s));
    }
    EXPECT_NE(changed, before);
}

} // namespace
} // namespace ricorne
