#include "core/settings/AccountSettings.h"

#include "core/paths/Paths.h"
#include "core/platform/ReplaceFile.h"
#include "core/settings/ProfileFile.h"
#include "core/text/Text.h"

#include <QFile>

#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

namespace ricorne {

namespace {

constexpr qsizetype kKeyLength = 5;
constexpr qsizetype kValueLength = 100;

QString CredentialsPath() {
    return ResolvePath(CredentialsFile());
}

} // namespace

AccountRecord& AccountSettings() {
    static AccountRecord settings;
    return settings;
}

qint16 ParseApopValue(const QString& value) {
    qsizetype i = 0;
    while (i < value.size() && (value.at(i) == u' ' || value.at(i) == u'\t'))
        ++i;
    QString number;
    auto isDigit = [&](qsizetype k) {
        return k < value.size() && value.at(k) >= u'0' && value.at(k) <= u'9';
    };
    if (i < value.size() && (value.at(i) == u'+' || value.at(i) == u'-'))
        number += value.at(i++);
    bool digits = false;
    while (isDigit(i)) {
        number += value.at(i++);
        digits = true;
    }
    if (i < value.size() && value.at(i) == u'.') {
        number += value.at(i++);
        while (isDigit(i)) {
            number += value.at(i++);
            digits = true;
        }
    }
    if (!digits)
        return 0;
    if (i < value.size() && (value.at(i) == u'e' || value.at(i) == u'E')) {
        qsizetype k = i + 1;
        QString exponent = u"e"_s;
        if (k < value.size() && (value.at(k) == u'+' || value.at(k) == u'-'))
            exponent += value.at(k++);
        if (isDigit(k)) {
            while (isDigit(k))
                exponent += value.at(k++);
            number += exponent;
        }
    }
    bool ok = false;
    const double parsed = number.toDouble(&ok);
    if (!ok || std::isnan(parsed))
        return 0;
    const double rounded = std::nearbyint(parsed); // default rounding: halves to even
    if (rounded >= std::numeric_limits<qint16>::max())
        return std::numeric_limits<qint16>::max();
    if (rounded <= std::numeric_limits<qint16>::min())
        return std::numeric_limits<qint16>::min();
    return static_cast<qint16>(rounded);
}

void ParseServerSettings(const QByteArray& fileBytes, AccountRecord& settings) {
    // Lines end in CR LF; a lone CR or LF (a file edited elsewhere) ends a line as well.
    QString text = DecodeCp932(fileBytes);
    text.replace(u"\r\n"_s, u"\n"_s).replace(u'\r', u'\n');
    const QStringList lines = text.split(u'\n');
    for (const QString& line : lines) {
        const QString key = line.left(kKeyLength);
        const QString value = line.mid(kKeyLength, kValueLength);
        if (key == u"SMTP="_s)
            settings.SmtpServer = value;
        else if (key == u"POP3="_s)
            settings.Pop3Server = value;
        else if (key == u"MAIL="_s)
            settings.FromAddress = value;
        else if (key == u"APOP="_s)
            settings.UseApop = ParseApopValue(value);
    }
}

void LoadServerSettings(AccountRecord& settings) {
    QFile file(ResolvePath(ServerSettingsFile()));
    if (!file.open(QIODevice::ReadOnly))
        return;
    ParseServerSettings(file.readAll(), settings);
}

platform::ReplaceResult SaveServerSettings(const AccountRecord& settings) {
    const QString text = u"SMTP="_s + settings.SmtpServer + u"\r\nPOP3="_s + settings.Pop3Server +
                         u"\r\nMAIL="_s + settings.FromAddress + u"\r\nAPOP="_s +
                         QString::number(settings.UseApop) + u"\r\n"_s;
    const QByteArray bytes = EncodeCp932(text);
    return platform::ReplaceFileWhole(ResolvePath(ServerSettingsFile()), bytes);
}

Credentials ReadCredentials() {
    const QString path = CredentialsPath();
    return {ReadProfileString(path, u"EXEINI"_s, u"NAME"_s),
            ReadProfileString(path, u"EXEINI"_s, u"NAME2"_s)};
}

platform::ReplaceResult SaveCredentials(const QString& id, const QString& password, bool save) {
    QList<QPair<QString, QString>> entries;
    if (save)
        entries = {{u"NAME"_s, id}, {u"NAME2"_s, password}, {u"NAME3"_s, u"1"_s}};
    else
        entries = {{u"NAME3"_s, u"0"_s}};
    return WriteProfileStrings(CredentialsPath(), u"EXEINI"_s, entries, true);
}

} // namespace ricorne
