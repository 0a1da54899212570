// The rows of the history list: one per record header, in record order, never sorted. Column
// texts are the stored fields cut at their first NUL, trailing fill spaces kept; they are
// decoded when a row is drawn, and the rows themselves are formed only then (see HeaderRows).
#pragma once

#include "core/stores/HeaderRows.h"

#include <QAbstractTableModel>
#include <QVector>

namespace ricorne {

class MailHeaderModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { SubjectColumn, FromColumn, DateColumn, ColumnCount };

    explicit MailHeaderModel(QObject* parent = nullptr);

    void SetHeaders(HeaderRows headers);
    const HeaderRows& Headers() const { return headers_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // What a cell shows (row from 0).
    QString CellText(int row, int column) const;

private:
    HeaderRows headers_;
};

} // namespace ricorne
