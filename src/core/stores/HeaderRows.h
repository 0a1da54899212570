// The rows of a history list: one header per record, in record order. A list taken from the
// header index is not copied out of it: each row is formed (and its entry checked) when it is
// asked for, so opening a store of 32767 records costs only the rows that are drawn. Copies
// share the rows; a subset (the hits of a search) keeps the rows' record numbers.
#pragma once

#include "core/stores/RecordStore.h"

#include <QVector>

#include <iterator>
#include <memory>

namespace ricorne {

class HeaderRows {
public:
    // Where the rows come from: rows [first, first + count) into out.
    class Source {
    public:
        virtual ~Source();
        virtual qsizetype Count() const = 0;
        virtual void Fill(qsizetype first, qsizetype count, MailHeader* out) const = 0;
    };

    HeaderRows() = default;
    HeaderRows(QVector<MailHeader> rows); // NOLINT: a plain list is rows as they are
    explicit HeaderRows(std::shared_ptr<const Source> source);

    qsizetype size() const;
    bool isEmpty() const { return size() == 0; }
    MailHeader at(qsizetype i) const;
    MailHeader operator[](qsizetype i) const { return at(i); }
    // The rows at these 0-based positions of this list, in this order.
    HeaderRows Pick(const QVector<int>& positions) const;
    // Every row at once, in order.
    QVector<MailHeader> ToVector() const;
    // A change check of the listing (not a seal): a fast sum chained over total and every row's
    // Live and header bytes.
    quint64 Sum(qint64 total) const;

    class const_iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = MailHeader;
        using difference_type = qsizetype;
        using pointer = void;
        using reference = MailHeader;
        const_iterator(const HeaderRows* rows, qsizetype i) : rows_(rows), i_(i) {}
        MailHeader operator*() const { return rows_->at(i_); }
        const_iterator& operator++() {
            ++i_;
            return *this;
        }
        bool operator==(const const_iterator& o) const { return i_ == o.i_; }

    private:
        const HeaderRows* rows_;
        qsizetype i_;
    };
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, size()}; }

private:
    std::shared_ptr<const Source> source_;
    std::shared_ptr<const QVector<int>> picked_; // positions in source_, when a subset
};

} // namespace ricorne
