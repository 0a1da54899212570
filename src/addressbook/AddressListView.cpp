#include "addressbook/AddressListView.h"

namespace ricorne {

AddressListView::AddressListView(QWidget* parent) : QTreeWidget(parent) {
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSortingEnabled(false);        // a row's position is its record number
    setTextElideMode(Qt::ElideNone); // the columns keep the fields' fill spaces; no "…" after every entry
}

int AddressListView::SelectedRow() const {
    const QList<QTreeWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? -1 : indexOfTopLevelItem(selected.first());
}

void AddressListView::mousePressEvent(QMouseEvent* event) {
    QTreeWidget::mousePressEvent(event);
    Q_EMIT Pressed();
}

} // namespace ricorne
