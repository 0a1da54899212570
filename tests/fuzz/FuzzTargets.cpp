#include "FuzzTargets.h"

#include "ScriptedPeer.h"
#include "core/mail/Pop3Client.h"
#include "core/mail/SmtpClient.h"
#include "core/mime/JapaneseCharsets.h"
#include "core/mime/MimeDecoder.h"
#include "core/mime/MimeHtml.h"
#include "core/mime/Rfc2047.h"
#include "core/mime/Rfc2231.h"
#include "core/paths/Paths.h"
#include "core/settings/AccountSettings.h"
#include "core/settings/ProfileFile.h"
#include "core/stores/RecordStore.h"
#include "core/text/Text.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>
#include <memory>

namespace ricorne::fuzz {

namespace {

QTemporaryDir* g_appDir = nullptr;

// The input cut in pieces at a separator that mutations keep finding.
QList<QByteArray> Pieces(const QByteArray& input, int count) {
    QList<QByteArray> parts = input.split('\x01');
    while (parts.size() < count)
        parts << QByteArray();
    return parts;
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

QString ScratchDir() {
    return g_appDir->path() + QStringLiteral("/scratch");
}

void Consume(const QString& text) {
    // Touch every character so a bad QString (wrong size, dangling data) shows under ASan.
    volatile char16_t sink = 0;
    for (QChar c : text)
        sink = sink ^ c.unicode();
}

void FuzzMime(const QByteArray& input) {
    const DecodedMail mail = DecodeMail(input);
    Consume(mail.subject + mail.date + mail.from + mail.body + mail.headerText);
    QDir scratch(ScratchDir());
    scratch.removeRecursively();
    scratch.mkpath(QStringLiteral("."));
    const ExtractResult extracted = ExtractAttachments(input, scratch.path());
    // Every file must land inside the folder, whatever the mail names it.
    for (const QString& name : extracted.savedNames) {
        const QString path = QDir::cleanPath(scratch.filePath(name));
        if (!path.startsWith(scratch.path() + u'/') || name.contains(u'/'))
            std::abort();
    }
    scratch.removeRecursively();
}

void FuzzHeaders(const QByteArray& input) {
    const QList<QByteArray> parts = Pieces(input, 2);
    Consume(CleanHeaderLine(DecodeHeaderText(UnfoldHeader(parts[0]))));
    Consume(HeaderParameter(parts[0], parts[1].isEmpty() ? QByteArray("filename") : parts[1]));
    Consume(QString::fromLatin1(HeaderToken(parts[0])));
    // What we write must read back as what was written.
    const QString text = DecodeText(parts[0], "UTF-8");
    const QString unfolded = DecodeHeaderText(UnfoldHeader(EncodeUnstructured(text)));
    Consume(unfolded);
    const QByteArray parameter = EncodeRfc2231Parameter("filename", text);
    Consume(HeaderParameter("attachment; " + parameter, "filename"));
}

void FuzzCharsets(const QByteArray& input) {
    const QList<QByteArray> parts = Pieces(input, 2);
    const QByteArray& bytes = parts[0];
    Consume(DecodeText(bytes, parts[1]));
    Consume(GuessDecode(bytes));
    Consume(QString::fromLatin1(CharsetLabelFor(bytes)));
    Consume(DecodeIso2022Jp(bytes));
    Consume(DecodeEucJp(bytes));
    const QString cp932 = DecodeCp932(bytes);
    Consume(cp932);
    Consume(QString::fromLatin1(FitField(cp932, 90)));
    if (FitsIso2022Jp(cp932)) {
        // Outgoing text must be 7-bit and must read back as text that encodes the same way
        // (characters with two Unicode forms, e.g. the wave dash, may come back in the other).
        const QByteArray jis = EncodeIso2022Jp(cp932);
        for (char c : jis) {
            if (static_cast<unsigned char>(c) > 0x7f)
                std::abort();
        }
        if (EncodeIso2022Jp(DecodeIso2022Jp(jis)) != jis)
            std::abort();
    }
    Consume(HtmlToText(DecodeText(bytes, "UTF-8")));
    Consume(FromCrLf(ToCrLf(cp932)));
}

void FuzzSettings(const QByteArray& input) {
    AccountRecord record;
    ParseServerSettings(input, record);
    Consume(record.SmtpServer + record.Pop3Server + record.FromAddress + record.AccountId + record.Password);
    // Whatever was read and can be written in CP932 must survive a save and a load.
    bool representable = true;
    for (const QString* field : {&record.SmtpServer, &record.Pop3Server, &record.FromAddress})
        representable = representable && DecodeCp932(EncodeCp932(*field)) == *field;
    if (representable && SaveServerSettings(record)) {
        AccountRecord again;
        LoadServerSettings(again);
        if (again.SmtpServer != record.SmtpServer || again.Pop3Server != record.Pop3Server ||
            again.FromAddress != record.FromAddress || again.UseApop != record.UseApop)
            std::abort();
    }
    const QString path = g_appDir->path() + QStringLiteral("/profile.ini");
    WriteFile(path, input);
    for (const char* key : {"server", "pop3", "id", "pass", ""})
        Consume(ReadProfileString(path, QStringLiteral("mail"), QString::fromLatin1(key)));
    QDir().mkpath(ResolvePath(MailDataDir()));
    WriteFile(ResolvePath(CredentialsFile()), input);
    const Credentials credentials = ReadCredentials();
    Consume(credentials.AccountId + credentials.Password);
    Consume(QString::number(ParseApopValue(DecodeCp932(input))));
}

void FuzzRecords(const QByteArray& input) {
    if (input.isEmpty())
        return;
    const unsigned char mode = static_cast<unsigned char>(input[0]);
    const QList<QByteArray> parts = Pieces(input.mid(1), 2);
    const StoreDescriptor& store = (mode & 1) ? ReceivedStore() : AddressStore();
    QDir(ResolvePath(MailDataDir())).removeRecursively();
    QDir().mkpath(ResolvePath(MailDataDir()));
    WriteFile(StorePath(store), parts[0]);
    if (mode & 2)
        WriteFile(StoreTempPath(store), parts[1]);
    RecoverStore(store);
    Consume(TakeStoreNotice());
    if (mode & 1) {
        for (const MailHeader& header : ReadMailHeaders(store))
            Consume(header.Subject() + header.DateText() + header.Address());
        auto record = std::make_unique<MailRecord>();
        ReadRecords(store, *record, [&](int) { Consume(DecodeCp932(QByteArray(record->Body, 200))); });
    } else {
        AddressRecord record{};
        ReadRecords(store, record, [&](int) { Consume(DecodeCp932(QByteArray(record.Name, 90))); });
    }
    const int before = RecordCount(store);
    if (mode & 4) {
        CompactStore(store);
        if (RecordCount(store) > before)
            std::abort(); // a compaction never adds records
    }
}

Pop3Client::Options Pop3Options() {
    Pop3Client::Options options;
    options.timeouts.connectMs = 2000;
    options.timeouts.idleMs = 2000;
    options.maxLineBytes = 4096;
    options.maxMailBytes = 64 * 1024;
    options.maxListBytes = 64 * 1024;
    options.aheadMails = 3;
    return options;
}

void FuzzPop3(const QByteArray& input) {
    const bool apop = !input.isEmpty() && (input[0] & 1);
    ScriptedPeer peer(input.mid(1));
    if (peer.Port() == 0)
        return;
    Pop3Client client(Pop3Options());
    if (client.Connect(QStringLiteral("pop3://127.0.0.1:%1").arg(peer.Port())) &&
        client.Login(QStringLiteral("ユーザー"), QStringLiteral("pass"), apop) >= 0) {
        for (int n = 1; n <= qMin(client.Count(), 4); ++n) {
            Consume(client.Uidl(n));
            QByteArray raw;
            if (client.Retrieve(n, &raw) && n % 2)
                client.Delete(n);
        }
        client.Quit();
    }
    Consume(client.Error());
}

void FuzzSmtp(const QByteArray& input) {
    const bool login = !input.isEmpty() && (input[0] & 1);
    ScriptedPeer peer(input.mid(1));
    if (peer.Port() == 0)
        return;
    SmtpClient::Options options;
    options.timeouts.connectMs = 2000;
    options.timeouts.idleMs = 2000;
    SmtpClient client(options);
    client.Send(QStringLiteral("smtp://127.0.0.1:%1").arg(peer.Port()),
                login ? QStringLiteral("user") : QString(), QStringLiteral("pass"),
                QStringLiteral("from@example.jp"),
                {QStringLiteral("to@example.jp"), QStringLiteral("cc@example.jp")},
                "Subject: test\r\n\r\n.\r\nbody\r\n");
    Consume(client.Error());
}

} // namespace

void Setup() {
    static int argc = 1;
    static char name[] = "ricorne-fuzz";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance())
        new QCoreApplication(argc, argv);
    if (!g_appDir) {
        g_appDir = new QTemporaryDir();
        SetAppDir(g_appDir->path());
    }
}

const QList<Target>& Targets() {
    static const QList<Target> targets = {
        {QStringLiteral("mime"), FuzzMime},         {QStringLiteral("headers"), FuzzHeaders},
        {QStringLiteral("charsets"), FuzzCharsets}, {QStringLiteral("settings"), FuzzSettings},
        {QStringLiteral("records"), FuzzRecords},   {QStringLiteral("pop3"), FuzzPop3},
        {QStringLiteral("smtp"), FuzzSmtp},
    };
    return targets;
}

const Target* FindTarget(const QString& name) {
    for (const Target& target : Targets()) {
        if (target.name == name)
            return &target;
    }
    return nullptr;
}

} // namespace ricorne::fuzz
