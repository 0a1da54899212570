#include "FuzzTargets.h"

#include "ScriptedPeer.h"
#include "addressbook/AddressBook.h"
#include "core/mail/Pop3Client.h"
#include "core/mail/SmtpClient.h"
#include "core/mime/JapaneseCharsets.h"
#include "core/mime/MimeDecoder.h"
#include "core/mime/MimeHtml.h"
#include "core/mime/Rfc2047.h"
#include "core/mime/Rfc2231.h"
#include "core/oauth/OAuthFlow.h"
#include "core/paths/Paths.h"
#include "core/platform/FileStatus.h"
#include "core/providers/ProviderTable.h"
#include "core/settings/AccountSettings.h"
#include "core/settings/ProfileFile.h"
#include "core/stores/HeaderIndex.h"
#include "core/stores/RecordField.h"
#include "core/stores/RecordStore.h"
#include "core/text/Text.h"
#include "facemarks/FaceMarkFiles.h"
#include "history/EditorCommands.h"
#include "history/QuickSaveFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>

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

// A fresh, empty mail-data folder for the targets that read a store.
void FreshMailData() {
    QDir(ResolvePath(MailDataDir())).removeRecursively();
    QDir().mkpath(ResolvePath(MailDataDir()));
}

void FuzzAddressBook(const QByteArray& input) {
    FreshMailData();
    WriteFile(StorePath(AddressStore()), input);
    AddressBookState state;
    LoadAddressBook(state);
    // The list, the bytes a deletion compares against and the count shown always agree.
    if (state.rows.size() != state.rowBytes.size() || state.count != QString::number(state.rows.size()))
        std::abort();
    for (const AddressRow& row : state.rows)
        Consume(row.address + row.name);
}

void FuzzPalette(const QByteArray& input) {
    const FaceMarkListFile list = ReadFaceMarkList(input);
    Consume(list.text);
    // Saving what was read and reading it again settles at once: a list never grows (or loses a
    // line) from one save to the next.
    const QByteArray once = FaceMarkListBytes(list.text);
    const FaceMarkListFile again = ReadFaceMarkList(once);
    if (FaceMarkListBytes(again.text) != once)
        std::abort();
    if (list.reading == ListReading::Cp932 && again.reading != ListReading::Cp932)
        std::abort();
}

void FuzzQuickSave(const QByteArray& input) {
    const QString subject =
        (!input.isEmpty() && (input[0] & 1)) ? QString::fromUtf8(input.mid(1)) : DecodeCp932(input.mid(1));
    const QString name = QuickSaveFileName(subject);
    // One plain file name inside the folder, short enough for the file system.
    if (!name.endsWith(QStringLiteral(".txt")) || name.contains(u'/') || name.contains(u'\\') ||
        QFile::encodeName(name).size() > 255)
        std::abort();
    for (QChar c : name) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            std::abort();
    }
    QDir scratch(ScratchDir());
    scratch.removeRecursively();
    scratch.mkpath(QStringLiteral("."));
    // What is written under that name is found again under it, and nowhere else.
    if (WriteQuickSaveFile(scratch.path(), name, "x").ok) {
        if (ExistingQuickSaveEntry(scratch.path(), name).isEmpty() ||
            scratch.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).size() != 1)
            std::abort();
    }
    scratch.removeRecursively();
}

void FuzzEditorFile(const QByteArray& input) {
    QDir().mkpath(ScratchDir());
    const QString path = ScratchDir() + QStringLiteral("/text.txt");
    WriteFile(path, input);
    for (LineEnds ends : {LineEnds::AsInFile, LineEnds::EveryLine}) {
        FileEncoding encoding = FileEncoding::Cp932;
        const std::optional<QString> text = ReadEditorFile(path, ends, &encoding);
        if (!text)
            std::abort(); // the file is there and readable
        // Every line break is held as "\n", whatever the file had.
        if (text->contains(u'\r'))
            std::abort();
        if (ends == LineEnds::EveryLine && !text->isEmpty() && !text->endsWith(u'\n'))
            std::abort();
        Consume(*text);
    }
}

void FuzzProviders(const QByteArray& input) {
    const QList<QByteArray> parts = Pieces(input, 2);
    const ProviderTable table = ProviderTable::Parse(parts[0]);
    for (const ProviderEntry& entry : table.Entries()) {
        if (entry.smtpHost.isEmpty() || entry.smtpPort == 0 ||
            (!entry.pop3Host.isEmpty() && entry.pop3Port == 0))
            std::abort();
        Consume(entry.pattern + entry.pop3Host + entry.smtpHost + entry.source);
    }
    // Token and sign-in addresses only over TLS, or to this machine.
    auto safe = [](const QString& url) {
        return url.startsWith(QStringLiteral("https://")) ||
               url.startsWith(QStringLiteral("http://127.0.0.1"));
    };
    for (const OAuthEndpoints& line : table.OAuthLines()) {
        if (!safe(line.authorizeUrl) || !safe(line.tokenUrl) ||
            (!line.deviceUrl.isEmpty() && !safe(line.deviceUrl)))
            std::abort();
    }
    const QString address = QString::fromUtf8(parts[1]);
    const ProviderSuggestion suggestion = table.Suggest(address);
    Consume(suggestion.pop3 + suggestion.smtp + suggestion.domain);
    if (const OAuthEndpoints* line = table.OAuthFor(address))
        Consume(line->name + line->scopes + line->clientId);
}

void FuzzOAuth(const QByteArray& input) {
    // The token endpoint answers with the input: the whole HTTP reply after the request line.
    ScriptedPeer peer(kReplySeparator + input);
    if (peer.Port() == 0)
        return;
    OAuthEndpoints endpoints;
    endpoints.name = QStringLiteral("test");
    endpoints.tokenUrl = QStringLiteral("http://127.0.0.1:%1/token").arg(peer.Port());
    oauth::Flow flow(endpoints, QStringLiteral("client secret"));
    flow.SetRequestTimeout(500); // a reply cut short must not look like a hang
    const oauth::TokenReply reply = flow.Refresh("refresh");
    Consume(reply.text + reply.error);
    if (!reply.ok)
        return;
    if (reply.accessToken.isEmpty() || reply.expiresIn < 1)
        std::abort();
    // A refresh token the server hands out is saved and must read back as it came.
    if (!reply.refreshToken.isEmpty()) {
        const QString path = g_appDir->path() + QStringLiteral("/oauth.ini");
        QFile::remove(path);
        const QString token = QString::fromLatin1(reply.refreshToken);
        if (WriteProfileStrings(path, QStringLiteral("OAUTH"), {{QStringLiteral("REFRESH"), token}}, true)
                .ok &&
            ReadProfileString(path, QStringLiteral("OAUTH"), QStringLiteral("REFRESH"), 16384) != token)
            std::abort();
    }
}

void FuzzHeaderIndex(const QByteArray& input) {
    if (input.size() < 2)
        return;
    // A store of a few records and its own index, then the input laid over the index at the
    // offset its first two bytes give.
    FreshMailData();
    for (int n = 1; n <= 4; ++n) {
        MailRecord record;
        SetField(record.Subject, QStringLiteral(u"【第%1号】会議のご案内").arg(n));
        SetField(record.Address, QStringLiteral(u"佐藤 花子 <hanako%1@example.jp>").arg(n));
        record.Live = (input[0] >> n) & 1;
        if (!AppendRecord(ReceivedStore(), record))
            return;
    }
    const QString store = StorePath(ReceivedStore());
    const timespec old[2] = {{0, UTIME_OMIT}, {::time(nullptr) - 3600, 0}};
    ::utimensat(AT_FDCWD, QFile::encodeName(store).constData(), old, 0);
    const QVector<MailHeader> truth = ReadMailHeaders(ReceivedStore());
    if (!WriteHeaderIndex(ReceivedStore(), truth, platform::StatusOf(store)))
        return;
    QFile file(HeaderIndexPath(ReceivedStore()));
    if (!file.open(QIODevice::ReadOnly))
        return;
    QByteArray index = file.readAll();
    file.close();
    const qsizetype at =
        ((static_cast<unsigned char>(input[0]) << 8) | static_cast<unsigned char>(input[1])) %
        (index.size() + 1);
    const QByteArray patch = input.mid(2);
    index = index.left(at) + patch + index.mid(at + patch.size());
    WriteFile(HeaderIndexPath(ReceivedStore()), index);
    // The store always wins: whatever the index holds, the rows are the store's.
    if (const std::optional<HeaderRows> rows = ReadHeaderIndex(ReceivedStore())) {
        if (rows->size() != truth.size())
            std::abort();
        for (qsizetype i = 0; i < truth.size(); ++i) {
            if ((*rows)[i].number != truth[i].number || (*rows)[i].live != truth[i].live ||
                (*rows)[i].raw != truth[i].raw)
                std::abort();
        }
    }
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
        {QStringLiteral("mime"), FuzzMime},
        {QStringLiteral("headers"), FuzzHeaders},
        {QStringLiteral("charsets"), FuzzCharsets},
        {QStringLiteral("settings"), FuzzSettings},
        {QStringLiteral("records"), FuzzRecords},
        {QStringLiteral("pop3"), FuzzPop3},
        {QStringLiteral("smtp"), FuzzSmtp},
        {QStringLiteral("addressbook"), FuzzAddressBook},
        {QStringLiteral("palette"), FuzzPalette},
        {QStringLiteral("quicksave"), FuzzQuickSave},
        {QStringLiteral("editorfile"), FuzzEditorFile},
        {QStringLiteral("providers"), FuzzProviders},
        {QStringLiteral("oauth"), FuzzOAuth},
        {QStringLiteral("headerindex"), FuzzHeaderIndex},
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
