// Output of ricorne-mailtool: one JSON object per line, raw UTF-8, keys in the order added (so
// scripts and people can rely on the layout), and messages on stderr.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace ricorne {

// A JSON string literal: quotes, backslashes and control characters escaped, everything else raw UTF-8.
QByteArray JsonString(const QString& text);

class JsonLine {
public:
    JsonLine& Add(const char* key, const QString& value);
    JsonLine& Add(const char* key, const QStringList& values);
    JsonLine& Add(const char* key, qint64 value);
    JsonLine& Add(const char* key, bool value);
    // "{...}\n"
    QByteArray Bytes() const;

private:
    void Key(const char* key);
    QByteArray body_;
};

void WriteStdout(const QByteArray& bytes);
void WriteStderr(const QString& text); // adds a line break

} // namespace ricorne
