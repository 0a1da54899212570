#include "core/mail/TlsMemory.h"

#include "core/platform/FileIo.h"

#include <QFile>

namespace ricorne {

QString TlsMemory::FileName() {
    return QStringLiteral("tls-servers.txt");
}

QByteArray TlsMemory::Line(const QString& protocol, const ServerAddress& address) {
    ServerAddress key = address;
    key.host = key.host.toLower();
    return protocol.toUtf8() + ' ' + ServerLabel(key).toUtf8();
}

bool TlsMemory::Remembers(const QString& protocol, const ServerAddress& address) const {
    if (path_.isEmpty())
        return false;
    QFile file(path_);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray wanted = Line(protocol, address);
    // A few lines per account; a file grown past reason is not ours to read whole.
    for (const QByteArray& line : file.read(1 << 20).split('\n')) {
        if (line.trimmed() == wanted)
            return true;
    }
    return false;
}

bool TlsMemory::Remember(const QString& protocol, const ServerAddress& address) const {
    if (path_.isEmpty() || Remembers(protocol, address))
        return true;
    platform::FileHandle file = platform::OpenFile(
        path_, platform::kWriteOnly | platform::kCreate | platform::kAppend | platform::kNoFollow, 0600);
    if (!file.valid())
        return false;
    const bool ok = platform::WriteFully(file.get(), Line(protocol, address) + "\r\n");
    return file.Close() && ok;
}

QString NoEncryptionText(const QString& protocol, const ServerAddress& address) {
    const bool pop3 = protocol == QStringLiteral("POP3");
    const QString text =
        QStringLiteral("%1 サーバー %2 は暗号化 (%3) に対応していないため、パスワードを送らずに中止しました。"
                       "暗号化なしでパスワードを送ってよい場合は、サーバー設定の %1 サーバー名を "
                       "%4://%2 の形で入力してください。")
            .arg(protocol, ServerLabel(address), pop3 ? QStringLiteral("STLS") : QStringLiteral("STARTTLS"),
                 pop3 ? QStringLiteral("pop3") : QStringLiteral("smtp"));
    if (pop3)
        return text + QStringLiteral("「APOP を使用する」をオンにしても受信できます。");
    return text;
}

QString TlsOfferGoneText(const QString& protocol, const ServerAddress& address) {
    return QStringLiteral(
               "%1 サーバー %2 は以前は暗号化 (%3) に対応していましたが、今回はその申し出が"
               "ありませんでした。通信が途中で書き換えられているおそれがあるため、接続を中止しました。"
               "サーバーが本当に暗号化をやめたのなら、★MailData フォルダの %4 からこのサーバーの行"
               "を削除してください。")
        .arg(protocol, ServerLabel(address),
             protocol == QStringLiteral("POP3") ? QStringLiteral("STLS") : QStringLiteral("STARTTLS"),
             TlsMemory::FileName());
}

} // namespace ricorne
