// A list box that tells when a mouse button went down on it, after the press has moved the
// selection (the name list of the compose window picks a name on the press).
#pragma once

#include <QListWidget>

namespace ricorne {

class NameListBox : public QListWidget {
    Q_OBJECT
public:
    using QListWidget::QListWidget;

Q_SIGNALS:
    void Pressed();

protected:
    void mousePressEvent(QMouseEvent* event) override;
};

} // namespace ricorne
