#include "mainwindow/HelpPage.h"

#include "core/paths/Paths.h"

#include <QFileInfo>

namespace ricorne {

QString HelpPagePath() {
    const QString path = ResolvePath(QStringLiteral(u"\\help\\index.html"));
    return QFileInfo(path).isFile() ? path : QString();
}

} // namespace ricorne
