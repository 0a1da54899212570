#include "MimeParse.h"

#include <QMimeDatabase>
#include <QMimeType>

#include <mutex>

#include "core/mime/Base64Content.h"
#include "core/mime/FlowedText.h"
#include "core/mime/JapaneseCharsets.h"
#include "core/mime/MimeHtml.h"
#include "core/mime/MimeRepair.h"
#include "core/mime/Rfc2047.h"
#include "core/mime/Rfc2231.h"
#include "core/mime/SafeFileName.h"
#include "core/text/Text.h"

namespace ricorne {

namespace {

const int kMaxDepth = 64;

void EnsureGMime() {
    static std::once_flag once;
    std::call_once(once, [] { g_mime_init(); });
}

QString PartFileName(GMimeObject* object);

QByteArray MediaType(GMimeObject* object) {
    // A type without its subtype ("text") or otherwise malformed reads as text/plain, as RFC 2045
    // asks; GMime would make it application/octet-stream and the text an attachment. A part with
    // a file name stays a file: its bytes may be anything.
    const QByteArray declared = MimeRawHeader(object, "Content-Type");
    if (!declared.isNull() && !GMIME_IS_MULTIPART(object) && !GMIME_IS_MESSAGE_PART(object)) {
        const QByteArray token = HeaderToken(declared);
        const qsizetype slash = token.indexOf('/');
        if ((slash <= 0 || slash == token.size() - 1 || token.indexOf('/', slash + 1) >= 0) &&
            PartFileName(object).trimmed().isEmpty()) {
            return "text/plain";
        }
    }
    GMimeContentType* ct = g_mime_object_get_content_type(object);
    if (!ct) {
        return "text/plain";
    }
    const char* type = g_mime_content_type_get_media_type(ct);
    const char* sub = g_mime_content_type_get_media_subtype(ct);
    return (QByteArray(type ? type : "text") + '/' + QByteArray(sub ? sub : "plain")).toLower();
}

bool HasContent(GMimePart* part) {
    GMimeDataWrapper* content = g_mime_part_get_content(part);
    if (!content) {
        return false;
    }
    GMimeStream* stream = g_mime_data_wrapper_get_stream(content);
    return stream && g_mime_stream_length(stream) > 0;
}

QString ExtensionFor(const QByteArray& mediaType) {
    if (mediaType == "text/plain") {
        return QStringLiteral(".txt");
    }
    if (mediaType.startsWith("message/")) {
        return QStringLiteral(".eml");
    }
    static QMimeDatabase db;
    const QMimeType t = db.mimeTypeForName(QString::fromLatin1(mediaType));
    const QString suffix = t.isValid() ? t.preferredSuffix() : QString();
    return suffix.isEmpty() ? QStringLiteral(".bin") : QLatin1Char('.') + suffix;
}

QString PartFileName(GMimeObject* object) {
    QString name = HeaderParameter(MimeRawHeader(object, "Content-Disposition"), "filename");
    if (name.trimmed().isEmpty()) {
        name = HeaderParameter(MimeRawHeader(object, "Content-Type"), "name");
    }
    return name;
}

struct LeafInfo {
    QByteArray type;
    bool attachmentDisposition = false;
    bool hasName = false;
};

LeafInfo Inspect(GMimeObject* object) {
    LeafInfo info;
    info.type = MediaType(object);
    info.attachmentDisposition = HeaderToken(MimeRawHeader(object, "Content-Disposition")) == "attachment";
    info.hasName = !PartFileName(object).trimmed().isEmpty();
    return info;
}

bool IsBlank(const QByteArray& bytes) {
    for (char c : bytes) {
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n') {
            return false;
        }
    }
    return true;
}

bool MemoryStreamBytes(GMimeStream* stream, QByteArrayView* view);

// Whether the decoded content is only blanks. Text almost always shows a letter in its first
// line: the start decodes to the start of the whole, so the rest is decoded only when needed.
bool ContentIsBlank(GMimePart* part) {
    GMimeDataWrapper* content = g_mime_part_get_content(part);
    QByteArrayView encoded;
    if (content && g_mime_data_wrapper_get_encoding(content) == GMIME_CONTENT_ENCODING_BASE64 &&
        MemoryStreamBytes(g_mime_data_wrapper_get_stream(content), &encoded) &&
        !IsBlank(DecodeBase64Content(encoded.first(qMin(encoded.size(), qsizetype(256)))))) {
        return false;
    }
    return IsBlank(MimePartContent(part));
}

struct BodySearch {
    const char* wantType;
    bool skipBlank;                 // an empty text/plain twin must not hide the HTML one
    GMimeObject* tooDeep = nullptr; // the first container below the nesting limit
};

// First pass: the body part and the chain of containers above it.
bool FindBody(GMimeObject* object, BodySearch* search, std::vector<GMimeObject*>* path, int depth) {
    if (!object) {
        return false;
    }
    if (depth > kMaxDepth) {
        if (!search->tooDeep) {
            search->tooDeep = object;
        }
        return false;
    }
    if (GMIME_IS_MULTIPART(object)) {
        GMimeMultipart* mp = GMIME_MULTIPART(object);
        const int count = g_mime_multipart_get_count(mp);
        path->push_back(object);
        for (int k = 0; k < count; ++k) {
            if (FindBody(g_mime_multipart_get_part(mp, k), search, path, depth + 1)) {
                return true;
            }
        }
        path->pop_back();
        return false;
    }
    if (GMIME_IS_MESSAGE_PARTIAL(object) || !GMIME_IS_PART(object)) {
        return false; // attached messages keep their own bodies
    }
    const LeafInfo info = Inspect(object);
    if (info.type == search->wantType && !info.attachmentDisposition &&
        !(search->skipBlank && ContentIsBlank(GMIME_PART(object)))) {
        path->push_back(object);
        return true;
    }
    return false;
}

struct Collector {
    MimeLayout* layout;
    const std::vector<GMimeObject*>* bodyPath;

    bool OnBodyPath(GMimeObject* o) const {
        for (GMimeObject* p : *bodyPath) {
            if (p == o) {
                return true;
            }
        }
        return false;
    }

    void Walk(GMimeObject* object, bool inOtherAlternative, int depth) {
        if (depth > kMaxDepth || !object) {
            return;
        }
        if (GMIME_IS_MULTIPART(object)) {
            GMimeMultipart* mp = GMIME_MULTIPART(object);
            const bool alternative = MediaType(object) == "multipart/alternative";
            const bool holdsBody = alternative && OnBodyPath(object);
            const int count = g_mime_multipart_get_count(mp);
            if (count == 0) {
                layout->unsplit.push_back(mp);
            }
            for (int k = 0; k < count; ++k) {
                GMimeObject* child = g_mime_multipart_get_part(mp, k);
                Walk(child, inOtherAlternative || (holdsBody && !OnBodyPath(child)), depth + 1);
            }
            return;
        }
        if (GMIME_IS_MESSAGE_PART(object)) {
            GMimeMessage* inner = g_mime_message_part_get_message(GMIME_MESSAGE_PART(object));
            if (!inner) {
                return;
            }
            QString name = PartFileName(object).trimmed();
            if (name.isEmpty()) {
                name = CleanHeaderLine(DecodeHeaderText(MimeRawHeader(GMIME_OBJECT(inner), "Subject")));
            }
            if (name.isEmpty()) {
                name = QStringLiteral("message");
            }
            if (!name.endsWith(QLatin1String(".eml"), Qt::CaseInsensitive)) {
                name += QStringLiteral(".eml");
            }
            layout->attachments.push_back(MimeAttachment{GMIME_OBJECT(inner), true, SafeFileName(name)});
            return;
        }
        if (GMIME_IS_MESSAGE_PARTIAL(object)) {
            layout->partials.push_back(GMIME_MESSAGE_PARTIAL(object));
            return;
        }
        if (!GMIME_IS_PART(object) || object == GMIME_OBJECT(layout->body)) {
            return;
        }
        GMimePart* part = GMIME_PART(object);
        if (!HasContent(part)) {
            return;
        }
        const LeafInfo info = Inspect(object);
        if (inOtherAlternative && !info.hasName &&
            (info.type == "text/plain" || info.type == "text/html" || info.type == "text/enriched" ||
             info.type == "text/richtext")) {
            return; // the other rendering of the body
        }
        QString name = PartFileName(object).trimmed();
        if (name.isEmpty()) {
            name = QStringLiteral("attachment") + ExtensionFor(info.type);
        }
        layout->attachments.push_back(MimeAttachment{object, false, SafeFileName(name)});
    }
};

} // namespace

GObjectPtr<GMimeMessage> MimeParseMessage(const QByteArray& raw) {
    return MimeParseRepaired(RepairHeaderBlocks(raw));
}

GObjectPtr<GMimeMessage> MimeParseRepaired(const QByteArray& repaired) {
    EnsureGMime();
    ParserOptionsPtr options(g_mime_parser_options_new());
    // Header text is decoded by our own reader from the raw values; GMime's lenient reader of
    // encoded words takes time that grows with the square of a header full of unclosed words.
    g_mime_parser_options_set_rfc2047_compliance_mode(options.get(), GMIME_RFC_COMPLIANCE_STRICT);
    GObjectPtr<GMimeStream> stream(
        g_mime_stream_mem_new_with_buffer(repaired.constData(), static_cast<size_t>(repaired.size())));
    GObjectPtr<GMimeParser> parser(g_mime_parser_new_with_stream(stream.get()));
    g_mime_parser_set_format(parser.get(), GMIME_FORMAT_MESSAGE);
    return GObjectPtr<GMimeMessage>(g_mime_parser_construct_message(parser.get(), options.get()));
}

QByteArray MimeRawHeader(GMimeObject* object, const char* name) {
    if (!object) {
        return {};
    }
    GMimeHeaderList* list = g_mime_object_get_header_list(object);
    if (!list) {
        return {};
    }
    GMimeHeader* header = g_mime_header_list_get_header(list, name);
    if (!header) {
        return {};
    }
    const char* raw = g_mime_header_get_raw_value(header);
    return raw ? QByteArray(raw) : QByteArray("");
}

namespace {

// The bytes under a stream over memory (the parser's content streams are such windows onto the
// mail it was given), without copying them; false for any other stream.
bool MemoryStreamBytes(GMimeStream* stream, QByteArrayView* view) {
    if (!stream || !GMIME_IS_STREAM_MEM(stream)) {
        return false;
    }
    const GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(stream));
    const gint64 start = stream->bound_start;
    const gint64 length = g_mime_stream_length(stream);
    if (!bytes || start < 0 || length < 0 || start > gint64(bytes->len)) {
        return false;
    }
    const gint64 size = qMin(length, gint64(bytes->len) - start);
    *view = QByteArrayView(reinterpret_cast<const char*>(bytes->data) + start, qsizetype(size));
    return true;
}

} // namespace

QByteArray MimePartContent(GMimePart* part) {
    GMimeDataWrapper* content = g_mime_part_get_content(part);
    if (!content) {
        return {};
    }
    QByteArrayView encoded;
    if (g_mime_data_wrapper_get_encoding(content) == GMIME_CONTENT_ENCODING_BASE64 &&
        MemoryStreamBytes(g_mime_data_wrapper_get_stream(content), &encoded)) {
        return DecodeBase64Content(encoded);
    }
    return MimePartContentByGMime(part);
}

QByteArray MimePartContentByGMime(GMimePart* part) {
    GMimeDataWrapper* content = g_mime_part_get_content(part);
    if (!content) {
        return {};
    }
    GObjectPtr<GMimeStream> mem(g_mime_stream_mem_new());
    g_mime_data_wrapper_write_to_stream(content, mem.get());
    GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(mem.get()));
    return QByteArray(reinterpret_cast<const char*>(bytes->data), static_cast<qsizetype>(bytes->len));
}

QByteArray MimeSerialize(GMimeObject* object) {
    GObjectPtr<GMimeStream> mem(g_mime_stream_mem_new());
    g_mime_object_write_to_stream(object, nullptr, mem.get());
    GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(mem.get()));
    return QByteArray(reinterpret_cast<const char*>(bytes->data), static_cast<qsizetype>(bytes->len));
}

MimeLayout MimeLayOut(GMimeMessage* message) {
    MimeLayout layout;
    GMimeObject* root = message ? g_mime_message_get_mime_part(message) : nullptr;
    if (!root) {
        return layout;
    }
    std::vector<GMimeObject*> bodyPath;
    // Text first, then HTML, then a text part that is only blank lines.
    for (BodySearch search :
         {BodySearch{"text/plain", true}, BodySearch{"text/html", false}, BodySearch{"text/plain", false}}) {
        bodyPath.clear();
        const bool found = FindBody(root, &search, &bodyPath, 0);
        layout.tooDeep = layout.tooDeep ? layout.tooDeep : search.tooDeep;
        if (found) {
            layout.body = GMIME_PART(bodyPath.back());
            layout.bodyIsHtml = search.wantType == QByteArrayView("text/html");
            break;
        }
    }
    if (!layout.body) {
        bodyPath.clear();
    }
    Collector collector{&layout, &bodyPath};
    collector.Walk(root, false, 0);
    return layout;
}

namespace {

// The part's content as it travels, transfer encoding not undone.
QByteArray EncodedContent(GMimePart* part) {
    GMimeDataWrapper* content = g_mime_part_get_content(part);
    GMimeStream* stream = content ? g_mime_data_wrapper_get_stream(content) : nullptr;
    if (!stream) {
        return {};
    }
    QByteArrayView view;
    if (MemoryStreamBytes(stream, &view)) {
        return view.toByteArray();
    }
    GObjectPtr<GMimeStream> mem(g_mime_stream_mem_new());
    g_mime_stream_reset(stream);
    g_mime_stream_write_to_stream(stream, mem.get());
    g_mime_stream_reset(stream);
    GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(mem.get()));
    return QByteArray(reinterpret_cast<const char*>(bytes->data), static_cast<qsizetype>(bytes->len));
}

bool IsBase64Line(QByteArrayView line) {
    if (line.size() % 4 != 0) {
        return false;
    }
    for (qsizetype i = 0; i < line.size(); ++i) {
        const char c = line.at(i);
        const bool pad = c == '=' && i >= line.size() - 2;
        if (!pad && !((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                      c == '+' || c == '/')) {
            return false;
        }
    }
    return true;
}

// Text labelled base64 splits into the lines that are base64 and what follows them: a mailing
// list's footer appended after the encoded text, or (when not even the first line is base64)
// text that was never encoded at all.
void SplitBase64(const QByteArray& encoded, QByteArray* base64, QByteArray* plain) {
    qsizetype pos = 0;
    while (pos < encoded.size()) {
        const qsizetype eol = encoded.indexOf('\n', pos);
        const qsizetype next = eol < 0 ? encoded.size() : eol + 1;
        const QByteArrayView line = QByteArrayView(encoded.constData() + pos, next - pos).trimmed();
        if (!line.isEmpty() && !IsBase64Line(line)) {
            break;
        }
        pos = next;
        if (line.endsWith('=')) {
            break; // padding ends the encoded text
        }
    }
    *base64 = encoded.left(pos);
    *plain = encoded.mid(pos);
}

} // namespace

QString MimeBodyText(GMimePart* part, bool html) {
    QByteArray bytes = MimePartContent(part);
    QByteArray trailer;
    if (g_mime_part_get_content_encoding(part) == GMIME_CONTENT_ENCODING_BASE64) {
        QByteArray base64;
        SplitBase64(EncodedContent(part), &base64, &trailer);
        if (IsBlank(base64)) {
            bytes = trailer; // never encoded: the text as it came, under its own charset
            trailer.clear();
        } else if (!trailer.trimmed().isEmpty()) {
            bytes = QByteArray::fromBase64(base64);
        } else {
            trailer.clear();
        }
    }
    QByteArray charset;
    if (GMimeContentType* ct = g_mime_object_get_content_type(GMIME_OBJECT(part))) {
        if (const char* cs = g_mime_content_type_get_parameter(ct, "charset")) {
            charset = cs;
        }
    }
    const QByteArray declared = MimeRawHeader(GMIME_OBJECT(part), "Content-Type");
    if (charset.isEmpty()) {
        charset = HeaderParameter(declared, "charset").toLatin1();
    }
    if (html && charset.isEmpty()) {
        charset = HtmlDeclaredCharset(bytes);
    }
    QString text = DecodeText(bytes, charset);
    if (html) {
        text = HtmlToText(text);
    } else if (HeaderParameter(declared, "format")
                   .trimmed()
                   .compare(QLatin1String("flowed"), Qt::CaseInsensitive) == 0) {
        text = UnflowText(
            text,
            HeaderParameter(declared, "delsp").trimmed().compare(QLatin1String("yes"), Qt::CaseInsensitive) ==
                0);
    }
    if (!trailer.isEmpty()) {
        if (!text.isEmpty() && !text.endsWith(QLatin1Char('\n'))) {
            text += QLatin1Char('\n');
        }
        text += GuessDecode(trailer);
    }
    text.replace(QChar(u'\0'), QLatin1Char(' '));
    return ToCrLf(text);
}

} // namespace ricorne
