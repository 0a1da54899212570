#include "history/HistorySearch.h"

#include "core/platform/FileIo.h"
#include "core/platform/FileStatus.h"
#include "core/platform/MappedFields.h"
#include "core/platform/ReplaceFile.h"
#include "core/stores/Checksum.h"
#include "core/stores/MailRecord.h"
#include "core/text/Text.h"
#include "history/SearchFolding.h"

#include <QDateTime>
#include <QFile>
#include <QHash>
#include <QMutex>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ricorne {

namespace {

constexpr qint64 kBodyOffset = offsetof(MailRecord, Body);
constexpr qint64 kBodyWidth = sizeof(MailRecord::Body);
struct FieldSpan {
    qint64 offset, width;
};
constexpr FieldSpan kHeaderFields[] = {{offsetof(MailRecord, Subject), sizeof(MailRecord::Subject)},
                                       {offsetof(MailRecord, DateText), sizeof(MailRecord::DateText)},
                                       {offsetof(MailRecord, Address), sizeof(MailRecord::Address)}};

// One word as byte patterns: each unit is one folded character, any of its spellings. The scan
// looks for each spelling of one unit (the unit whose spellings are rarest in Japanese text) and
// matches the units after it forwards and the ones before it backwards.
struct Pattern {
    std::vector<std::vector<QByteArray>> units;
    size_t anchor = 0;
};

// How often a byte starts a character in Japanese mail, roughly.
int Commonness(uchar b) {
    if (b == ' ')
        return 100;
    if (b == 0x82) // hiragana, full-width letters and digits
        return 40;
    if (b == 0x81) // punctuation
        return 25;
    if (b >= 'a' && b <= 'z')
        return 30;
    if (b == 0x83) // katakana
        return 20;
    if (b < 0x80)
        return 10;
    return 3;
}

// A two-byte character is looked for whole, so a common lead byte costs less than on its own;
// a single byte at or above 0x80 is also the trail byte of many characters.
int Commonness(const QByteArray& spelling) {
    const uchar lead = uchar(spelling.at(0));
    if (spelling.size() >= 2)
        return qMax(1, Commonness(lead) / 4);
    return lead >= 0x80 ? qMax(10, Commonness(lead)) : Commonness(lead);
}

Pattern Compile(const QString& word, bool kana) {
    Pattern p;
    int best = INT_MAX;
    for (const QChar c : word) {
        const QList<QByteArray>& spellings = Cp932Spellings(c.unicode(), kana);
        p.units.emplace_back(spellings.begin(), spellings.end());
        int cost = 0;
        for (const QByteArray& s : spellings)
            cost += Commonness(s);
        if (cost < best) {
            best = cost;
            p.anchor = p.units.size() - 1;
        }
    }
    return p;
}

// The first place in [p, end) where the bytes a b stand side by side, or null; sixteen places
// at a time where the processor allows.
const char* FindPair(const char* p, const char* end, char a, char b) {
#if defined(__SSE2__)
    const __m128i first = _mm_set1_epi8(a), second = _mm_set1_epi8(b);
    while (end - p >= 17) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 1));
        const int both =
            _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(x, first), _mm_cmpeq_epi8(y, second)));
        if (both != 0)
            return p + __builtin_ctz(unsigned(both));
        p += 16;
    }
#endif
    for (; end - p >= 2; ++p) {
        if (p[0] == a && p[1] == b)
            return p;
    }
    return nullptr;
}

bool MatchForward(const char* p, const char* end, const Pattern& pattern, size_t unit) {
    if (unit == pattern.units.size())
        return true;
    for (const QByteArray& s : pattern.units[unit]) {
        const qsizetype n = s.size();
        if (end - p >= n && std::memcmp(p, s.constData(), size_t(n)) == 0 &&
            MatchForward(p + n, end, pattern, unit + 1))
            return true;
    }
    return false;
}

// The units before `unit` + 1 end right before p.
bool MatchBackward(const char* p, const char* begin, const Pattern& pattern, qsizetype unit) {
    if (unit < 0)
        return true;
    for (const QByteArray& s : pattern.units[size_t(unit)]) {
        const qsizetype n = s.size();
        if (p - begin >= n && std::memcmp(p - n, s.constData(), size_t(n)) == 0 &&
            MatchBackward(p - n, begin, pattern, unit - 1))
            return true;
    }
    return false;
}

bool Holds(const char* begin, const char* end, const Pattern& pattern) {
    if (pattern.units.empty())
        return true;
    for (const QByteArray& s : pattern.units[pattern.anchor]) {
        const qsizetype n = s.size();
        for (const char* q = begin; end - q >= n; ++q) {
            q = n >= 2 ? FindPair(q, end, s.at(0), s.at(1))
                       : static_cast<const char*>(std::memchr(q, s.at(0), size_t(end - q)));
            if (!q)
                break;
            if (end - q >= n && std::memcmp(q, s.constData(), size_t(n)) == 0 &&
                MatchForward(q + n, end, pattern, pattern.anchor + 1) &&
                MatchBackward(q, begin, pattern, qsizetype(pattern.anchor) - 1))
                return true;
        }
    }
    return false;
}

// Length of the body up to its last non-space byte.
quint16 BodyEnd(const char* body) {
    qint64 n = kBodyWidth;
    std::uint64_t word;
    constexpr std::uint64_t spaces = 0x2020202020202020ull;
    while (n >= 8) {
        std::memcpy(&word, body + n - 8, 8);
        if (word != spaces)
            break;
        n -= 8;
    }
    while (n > 0 && body[n - 1] == ' ')
        --n;
    return quint16(n);
}

// Where each body of a store file ends, as measured by an earlier search.
struct Measured {
    dev_t dev = 0;
    ino_t ino = 0;
    qint64 size = -1;
    timespec mtime{}, ctime{};
    qint64 measuredAtMs = 0;
    QVector<quint16> bodyEnds;
};
QMutex measuredLock;
QHash<QString, Measured>& MeasuredStores() {
    static QHash<QString, Measured> stores;
    return stores;
}

bool SameFile(const Measured& m, const struct stat& st) {
    auto same = [](const timespec& a, const timespec& b) {
        return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
    };
    return m.dev == st.st_dev && m.ino == st.st_ino && m.size == st.st_size && same(m.mtime, st.st_mtim) &&
           same(m.ctime, st.st_ctim);
}

qint64 Ms(const timespec& t) {
    return qint64(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

// The bodies' ends also go to a derived file beside the store, so the first search of a later
// process need not read every record whole: "<store>.ends", a head naming the store file as it
// was measured (device, inode, size, modification and change times: any write changes the
// last), the count, a checksum of the rest, then one 16-bit end a record. Anything that does not
// match to the byte is ignored and the bodies are measured again.
constexpr char kEndsMagic[8] = {'R', 'C', 'N', 'E', 'N', 'D', 'S', '1'};
constexpr qint64 kEndsHead = 8 + 8 * 7 + 4 + 4 + 8;

QString EndsPath(const QString& store) {
    return store + QStringLiteral(".ends");
}

QByteArray EndsHead(const struct stat& st, int count) {
    QByteArray head(kEndsHead - 8, '\0');
    char* at = head.data();
    auto put = [&at](qint64 v) {
        std::memcpy(at, &v, 8);
        at += 8;
    };
    std::memcpy(at, kEndsMagic, 8);
    at += 8;
    put(qint64(st.st_dev));
    put(qint64(st.st_ino));
    put(qint64(st.st_size));
    put(qint64(st.st_mtim.tv_sec));
    put(qint64(st.st_mtim.tv_nsec));
    put(qint64(st.st_ctim.tv_sec));
    put(qint64(st.st_ctim.tv_nsec));
    const qint32 n = count;
    std::memcpy(at, &n, 4);
    return head;
}

quint64 EndsSum(const QByteArray& head, const quint16* ends, int count) {
    return FastChecksum(reinterpret_cast<const char*>(ends), qint64(count) * 2,
                        FastChecksum(head.constData(), head.size()));
}

QVector<quint16> ReadEndsFile(const QString& store, const struct stat& st, int count) {
    const platform::FileHandle file = platform::OpenFile(EndsPath(store), platform::kReadOnly);
    const qint64 length = kEndsHead + qint64(count) * 2;
    if (!file.valid() || platform::StatusOfOpen(file.get()).size != length)
        return {};
    QByteArray bytes(length, Qt::Uninitialized);
    if (platform::ReadFully(file.get(), bytes.data(), length, 0) != length)
        return {};
    const QByteArray head = EndsHead(st, count);
    if (std::memcmp(bytes.constData(), head.constData(), size_t(head.size())) != 0)
        return {};
    QVector<quint16> ends(count);
    std::memcpy(ends.data(), bytes.constData() + kEndsHead, size_t(count) * 2);
    quint64 sum;
    std::memcpy(&sum, bytes.constData() + head.size(), 8);
    if (sum != EndsSum(head, ends.constData(), count))
        return {};
    for (const quint16 end : ends) {
        if (end > kBodyWidth)
            return {};
    }
    return ends;
}

void WriteEndsFile(const QString& store, const struct stat& st, const QVector<quint16>& ends) {
    const QByteArray head = EndsHead(st, int(ends.size()));
    const quint64 sum = EndsSum(head, ends.constData(), int(ends.size()));
    QByteArray bytes = head;
    bytes.append(reinterpret_cast<const char*>(&sum), 8);
    bytes.append(reinterpret_cast<const char*>(ends.constData()), ends.size() * 2);
    platform::ReplaceFileWhole(EndsPath(store), bytes, platform::FileAccess::OwnerOnly);
}

} // namespace

struct StoreSearch::State {
    QString path;
    QStringList words;
    bool kana = true;
    std::vector<Pattern> patterns;
    int fd = -1;
    struct stat st {};
    std::unique_ptr<MailRecord> record = std::make_unique<MailRecord>();
    int total = 0;
    int next = 0; // 0-based record to scan next
    bool failed = false;
    bool done = false;
    QVector<int> hits;
    QVector<quint16> knownEnds; // from an earlier search of the same file, or empty
    QVector<quint16> ends;      // measured now

    ~State() {
        if (fd >= 0)
            ::close(fd);
    }

    // Words hold no spaces, so the fill spaces after bodyEnd cannot take part in a match.
    bool TextHoldsAll(const char* record, quint16 bodyEnd) const {
        QStringList fields;
        for (const FieldSpan& f : kHeaderFields)
            fields.append(FoldForSearch(CutAtNul(DecodeCp932(QByteArray(record + f.offset, f.width))), kana));
        fields.append(FoldForSearch(CutAtNul(DecodeCp932(QByteArray(record + kBodyOffset, bodyEnd))), kana));
        for (const QString& word : words) {
            bool found = false;
            for (const QString& field : fields)
                found = found || field.contains(word);
            if (!found)
                return false;
        }
        return true;
    }

    void Finish() {
        done = true;
        if (failed || knownEnds.size() == total || ends.size() != total)
            return;
        // Remember the bodies' ends only for a file that was already settled when measured.
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        if (now - qMax(Ms(st.st_mtim), Ms(st.st_ctim)) < 2000)
            return;
        Measured m;
        m.dev = st.st_dev;
        m.ino = st.st_ino;
        m.size = st.st_size;
        m.mtime = st.st_mtim;
        m.ctime = st.st_ctim;
        m.measuredAtMs = now;
        WriteEndsFile(path, st, ends);
        m.bodyEnds = std::move(ends);
        const QMutexLocker lock(&measuredLock);
        MeasuredStores().insert(path, std::move(m));
    }
};

StoreSearch::StoreSearch(const StoreDescriptor& store, const QString& query, bool kanaFolding)
    : state_(std::make_unique<State>()) {
    State& s = *state_;
    s.kana = kanaFolding;
    s.words = SearchWords(query, kanaFolding);
    for (const QString& word : s.words)
        s.patterns.push_back(Compile(word, kanaFolding));
    s.path = StorePath(store);
    if (store.recordLength != qint64(sizeof(MailRecord))) {
        s.failed = s.done = true;
        return;
    }
    s.fd = ::open(QFile::encodeName(s.path).constData(), O_RDONLY | O_CLOEXEC);
    if (s.fd < 0) {
        s.failed = errno != ENOENT;
        s.done = true;
        return;
    }
    if (::fstat(s.fd, &s.st) != 0 || !S_ISREG(s.st.st_mode)) {
        s.failed = s.done = true;
        return;
    }
    s.total = int(qMin<qint64>(s.st.st_size / store.recordLength, kMaxRecordNumber));
    if (s.total == 0) {
        s.done = true;
        return;
    }
    {
        const QMutexLocker lock(&measuredLock);
        const auto it = MeasuredStores().constFind(s.path);
        if (it != MeasuredStores().constEnd() && SameFile(*it, s.st))
            s.knownEnds = it->bodyEnds;
    }
    if (s.knownEnds.size() != s.total)
        s.knownEnds = ReadEndsFile(s.path, s.st, s.total);
    if (s.knownEnds.size() != s.total) {
        s.knownEnds.clear();
        s.ends.reserve(s.total);
    }
}

StoreSearch::~StoreSearch() = default;

namespace {

// One window of records scanned in place in the store's mapping. Nothing here allocates or owns
// anything: a store cut short meanwhile ends the scan with a jump (see RunOverMapping).
struct WindowScan {
    const std::vector<Pattern>* patterns;
    const char* mapped; // record `first` starts at mapped + skip
    qint64 skip;
    int first, end;
    const quint16* knownEnds; // or null: measured into ends
    quint16* ends;
    int* candidates;
    int found = 0;
};

bool BytesHoldAll(const std::vector<Pattern>& patterns, const char* record, quint16 bodyEnd) {
    for (const Pattern& pattern : patterns) {
        bool found = false;
        for (const FieldSpan& f : kHeaderFields) {
            if (Holds(record + f.offset, record + f.offset + f.width, pattern)) {
                found = true;
                break;
            }
        }
        if (!found && !Holds(record + kBodyOffset, record + kBodyOffset + bodyEnd, pattern))
            return false;
    }
    return true;
}

void ScanWindow(void* context) {
    WindowScan& w = *static_cast<WindowScan*>(context);
    for (int i = w.first; i < w.end; ++i) {
        const char* record = w.mapped + w.skip + qint64(i - w.first) * qint64(sizeof(MailRecord));
        const quint16 bodyEnd = w.knownEnds ? w.knownEnds[i] : BodyEnd(record + kBodyOffset);
        if (!w.knownEnds)
            w.ends[i - w.first] = bodyEnd;
        if (w.patterns->empty() || BytesHoldAll(*w.patterns, record, bodyEnd))
            w.candidates[w.found++] = i;
    }
}

} // namespace

bool StoreSearch::Step(int records) {
    State& s = *state_;
    if (s.done)
        return true;
    const int end = qMin(s.total, s.next + qMax(1, records));
    const bool known = !s.knownEnds.isEmpty();
    // The window's records, scanned where they lie in the page cache: only the pages a record's
    // header and written body are on are touched, and nothing is copied but a candidate.
    constexpr qint64 kLength = sizeof(MailRecord);
    static const qint64 page = ::sysconf(_SC_PAGESIZE);
    const qint64 from = qint64(s.next) * kLength / page * page;
    const qint64 length = qint64(end) * kLength - from;
    void* map = ::mmap(nullptr, size_t(length), PROT_READ, MAP_SHARED, s.fd, off_t(from));
    if (map == MAP_FAILED) {
        s.failed = true;
        s.Finish();
        return true;
    }
    std::vector<quint16> ends(known ? 0 : size_t(end - s.next));
    std::vector<int> candidates(size_t(end - s.next));
    WindowScan w{&s.patterns,
                 static_cast<const char*>(map),
                 qint64(s.next) * kLength - from,
                 s.next,
                 end,
                 known ? s.knownEnds.constData() : nullptr,
                 ends.data(),
                 candidates.data()};
    bool read = platform::RunOverMapping(ScanWindow, &w);
    char* record = reinterpret_cast<char*>(s.record.get());
    for (int k = 0; read && k < w.found; ++k) {
        const int i = candidates[size_t(k)];
        if (s.patterns.empty()) {
            s.hits.append(i + 1);
            continue;
        }
        // The words' bytes are there: the decoded text decides.
        const quint16 bodyEnd = known ? s.knownEnds.at(i) : ends[size_t(i - s.next)];
        read = platform::CopyFromMapping(w.mapped + w.skip + qint64(i - s.next) * kLength,
                                         kBodyOffset + bodyEnd, record);
        if (read && s.TextHoldsAll(record, bodyEnd))
            s.hits.append(i + 1);
    }
    ::munmap(map, size_t(length));
    if (!read) {
        s.failed = true; // the file was cut short meanwhile
        s.Finish();
        return true;
    }
    if (!known)
        s.ends.append(QVector<quint16>(ends.begin(), ends.end()));
    s.next = end;
    if (s.next >= s.total)
        s.Finish();
    return s.done;
}

bool StoreSearch::Done() const {
    return state_->done;
}

bool StoreSearch::Failed() const {
    return state_->failed;
}

const QVector<int>& StoreSearch::Hits() const {
    return state_->hits;
}

int StoreSearch::Total() const {
    return state_->total;
}

void ForgetMeasuredBodyEnds() {
    const QMutexLocker lock(&measuredLock);
    MeasuredStores().clear();
}

QVector<int> SearchStore(const StoreDescriptor& store, const QString& query, bool kanaFolding, bool* ok) {
    StoreSearch search(store, query, kanaFolding);
    while (!search.Step(4096)) {
    }
    if (ok)
        *ok = !search.Failed();
    return search.Hits();
}

} // namespace ricorne
