// HTML-only mail as readable text.
#pragma once

#include <QByteArray>
#include <QString>

namespace ricorne {

// Tags removed (script, style and head with their content), entities decoded, block elements and
// <br> as line breaks, source white space collapsed outside <pre>, at most one blank line in a row.
// Lines end in "\n".
QString HtmlToText(const QString& html);

// The charset an HTML document declares in a <meta> tag near its start, or empty.
QByteArray HtmlDeclaredCharset(const QByteArray& html);

} // namespace ricorne
