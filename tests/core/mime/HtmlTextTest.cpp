// HTML-only mail as text: what a reader needs, not a browser.
#include <gtest/gtest.h>

#include "core/mime/MimeHtml.h"

namespace ricorne {
namespace {

TEST(HtmlToText, BlocksBreaksEntitiesAndWhiteSpace) {
    EXPECT_EQ(HtmlToText(QStringLiteral("<p>one\n  two</p><p>three<br/>four<BR>five</p>")),
              QStringLiteral("one two\n\nthree\nfour\nfive\n"));
    EXPECT_EQ(HtmlToText(QStringLiteral("&lt;tag&gt; &amp;amp; &#12354;&#x3044; &nbsp;x &unknown; & y")),
              QStringLiteral("<tag> &amp; あい x &unknown; & y\n"));
    EXPECT_EQ(HtmlToText(QStringLiteral("<pre>a  b\n  c</pre>after")), QStringLiteral("a  b\n  c\nafter\n"));
    EXPECT_EQ(HtmlToText(QStringLiteral("<table><tr><td>A</td><td>B</td></tr><tr><td>C</td></tr></table>")),
              QStringLiteral("A B\nC\n"));
}

TEST(HtmlToText, HiddenPartsAndSloppyMarkup) {
    // No </head>: the body must still come through; script, style and comments never do.
    EXPECT_EQ(HtmlToText(QStringLiteral("<html><head><meta charset=utf-8><title>T</title>"
                                        "<style>p{}</style><body>本文<!-- hidden --><script>x()</script>")),
              QStringLiteral("本文\n"));
    EXPECT_EQ(HtmlToText(QStringLiteral("if a < b and c > d")), QStringLiteral("if a < b and c > d\n"));
    EXPECT_EQ(HtmlToText(QStringLiteral("<p>cut off <b")), QStringLiteral("cut off\n"));
    EXPECT_EQ(HtmlToText(QString()), QString());
}

TEST(HtmlToText, DeclaredCharset) {
    EXPECT_EQ(HtmlDeclaredCharset(
                  "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=Shift_JIS\">"),
              QByteArray("shift_jis"));
    EXPECT_EQ(HtmlDeclaredCharset("<meta charset='euc-jp'/>"), QByteArray("euc-jp"));
    EXPECT_TRUE(HtmlDeclaredCharset("<p>charset=utf-8</p>").isEmpty());
}

} // namespace
} // namespace ricorne
