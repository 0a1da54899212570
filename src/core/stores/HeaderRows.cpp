#include "core/stores/HeaderRows.h"

#include "core/stores/Checksum.h"

namespace ricorne {

namespace {

class ListedRows : public HeaderRows::Source {
public:
    explicit ListedRows(QVector<MailHeader> rows) : rows_(std::move(rows)) {}
    qsizetype Count() const override { return rows_.size(); }
    void Fill(qsizetype first, qsizetype count, MailHeader* out) const override {
        for (qsizetype i = 0; i < count; ++i)
            out[i] = rows_.at(first + i);
    }

private:
    QVector<MailHeader> rows_;
};

} // namespace

HeaderRows::Source::~Source() = default;

HeaderRows::HeaderRows(QVector<MailHeader> rows) {
    if (!rows.isEmpty())
        source_ = std::make_shared<ListedRows>(std::move(rows));
}

HeaderRows::HeaderRows(std::shared_ptr<const Source> source) : source_(std::move(source)) {}

qsizetype HeaderRows::size() const {
    if (picked_)
        return picked_->size();
    return source_ ? source_->Count() : 0;
}

MailHeader HeaderRows::at(qsizetype i) const {
    MailHeader row;
    if (i >= 0 && i < size())
        source_->Fill(picked_ ? picked_->at(i) : i, 1, &row);
    return row;
}

HeaderRows HeaderRows::Pick(const QVector<int>& positions) const {
    QVector<int> inSource;
    inSource.reserve(positions.size());
    for (const int p : positions) {
        if (p >= 0 && p < size())
            inSource.append(picked_ ? picked_->at(p) : p);
    }
    HeaderRows subset;
    subset.source_ = source_;
    subset.picked_ = std::make_shared<const QVector<int>>(std::move(inSource));
    return subset;
}

QVector<MailHeader> HeaderRows::ToVector() const {
    QVector<MailHeader> rows(size());
    if (picked_) {
        for (qsizetype i = 0; i < rows.size(); ++i)
            rows[i] = at(i);
    } else if (!rows.isEmpty()) {
        source_->Fill(0, rows.size(), rows.data());
    }
    return rows;
}

quint64 HeaderRows::Sum(qint64 total) const {
    quint64 sum = FastChecksum(reinterpret_cast<const char*>(&total), sizeof total);
    for (const MailHeader& h : ToVector()) {
        sum = FastChecksum(reinterpret_cast<const char*>(&h.live), sizeof h.live, sum);
        sum = FastChecksum(h.raw.constData(), h.raw.size(), sum);
    }
    return sum;
}

} // namespace ricorne
