// The address list: a two-column report that tells when a mouse button went down on it, after
// the press has moved the selection (the address book reads the picked entry on the press).
#pragma once

#include <QTreeWidget>

namespace ricorne {

class AddressListView : public QTreeWidget {
    Q_OBJECT
public:
    explicit AddressListView(QWidget* parent = nullptr);

    // 0-based row of the selected entry, or -1 when none is selected.
    int SelectedRow() const;

Q_SIGNALS:
    void Pressed();

protected:
    void mousePressEvent(QMouseEvent* event) override;
};

} // namespace ricorne
