#include "history/MailHeaderModel.h"

#include "core/text/Text.h"

namespace ricorne {

MailHeaderModel::MailHeaderModel(QObject* parent) : QAbstractTableModel(parent) {}

void MailHeaderModel::SetHeaders(HeaderRows headers) {
    beginResetModel();
    headers_ = std::move(headers);
    endResetModel();
}

int MailHeaderModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(headers_.size());
}

int MailHeaderModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QString MailHeaderModel::CellText(int row, int column) const {
    if (row < 0 || row >= headers_.size())
        return {};
    const MailHeader h = headers_.at(row);
    switch (column) {
    case SubjectColumn:
        return CutAtNul(h.Subject());
    case FromColumn:
        return CutAtNul(h.Address());
    case DateColumn:
        return CutAtNul(h.DateText());
    default:
        return {};
    }
}

QVariant MailHeaderModel::data(const QModelIndex& index, int role) const {
    // The columns keep their set widths; a cell cut short shows its whole text on hover.
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    return CellText(index.row(), index.column());
}

QVariant MailHeaderModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case SubjectColumn:
        return QStringLiteral("Subject");
    case FromColumn:
        return QStringLiteral("From");
    case DateColumn:
        return QStringLiteral("Date");
    default:
        return {};
    }
}

} // namespace ricorne
