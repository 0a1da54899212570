#include "history/EditorState.h"

#include "core/text/Text.h"

#include <QFile>

namespace ricorne {

EditorState& Editor() {
    static EditorState state;
    return state;
}

std::optional<QString> ReadEditorFile(const QString& path) {
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return FromCrLf(DecodeCp932(bytes));
}

} // namespace ricorne
