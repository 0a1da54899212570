#include "shell/LongOperation.h"

#include <QCoreApplication>
#include <QEventLoop>

namespace ricorne {

namespace {
int depth = 0;
} // namespace

LongOperation::LongOperation() {
    ++depth;
}

LongOperation::~LongOperation() {
    if (depth == 1 && QCoreApplication::instance())
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    --depth;
}

bool LongOperation::Running() {
    return depth > 0;
}

void LongOperation::ShowProgress() {
    if (QCoreApplication::instance())
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents |
                                        QEventLoop::ExcludeSocketNotifiers);
}

} // namespace ricorne
