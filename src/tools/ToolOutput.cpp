#include "ToolOutput.h"

#include <cstdio>

namespace ricorne {

QByteArray JsonString(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    QByteArray out;
    out.reserve(utf8.size() + 2);
    out += '"';
    for (char c : utf8) {
        const unsigned char u = static_cast<unsigned char>(c);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (u < 0x20 || u == 0x7F) {
                out += "\\u00" + QByteArray::number(u, 16).rightJustified(2, '0');
            } else {
                out += c;
            }
        }
    }
    out += '"';
    return out;
}

void JsonLine::Key(const char* key) {
    if (!body_.isEmpty()) {
        body_ += ',';
    }
    body_ += JsonString(QString::fromUtf8(key));
    body_ += ':';
}

JsonLine& JsonLine::Add(const char* key, const QString& value) {
    Key(key);
    body_ += JsonString(value);
    return *this;
}

JsonLine& JsonLine::Add(const char* key, const QStringList& values) {
    Key(key);
    body_ += '[';
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (i > 0) {
            body_ += ',';
        }
        body_ += JsonString(values.at(i));
    }
    body_ += ']';
    return *this;
}

JsonLine& JsonLine::Add(const char* key, qint64 value) {
    Key(key);
    body_ += QByteArray::number(value);
    return *this;
}

JsonLine& JsonLine::Add(const char* key, bool value) {
    Key(key);
    body_ += value ? "true" : "false";
    return *this;
}

QByteArray JsonLine::Bytes() const {
    return '{' + body_ + "}\n";
}

void WriteStdout(const QByteArray& bytes) {
    fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
    fflush(stdout);
}

void WriteStderr(const QString& text) {
    const QByteArray bytes = text.toUtf8() + '\n';
    fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
}

} // namespace ricorne
