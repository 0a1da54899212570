// Layout checks on a shown window: its visible controls lie inside it and apart from each
// other. Neighbouring boxes of the design share one border line, so a one-pixel strip of
// overlap is allowed.
#pragma once

#include <QLabel>
#include <QWidget>
#include <gtest/gtest.h>

namespace ricorne::testing {

inline QString DescribeControl(const QWidget* control) {
    if (!control->objectName().isEmpty())
        return control->objectName();
    if (const auto* label = qobject_cast<const QLabel*>(control))
        return QStringLiteral("label ") + label->text();
    return QString::fromLatin1(control->metaObject()->className());
}

inline void ExpectControlsApart(const QWidget* window) {
    std::vector<const QWidget*> shown;
    for (const QWidget* control : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (control->isVisibleTo(window))
            shown.push_back(control);
    }
    ASSERT_FALSE(shown.empty());
    for (size_t i = 0; i < shown.size(); ++i) {
        EXPECT_TRUE(window->rect().contains(shown[i]->geometry())) << qPrintable(DescribeControl(shown[i]));
        for (size_t j = i + 1; j < shown.size(); ++j) {
            const QRect overlap = shown[i]->geometry() & shown[j]->geometry();
            EXPECT_TRUE(overlap.isEmpty() || overlap.width() <= 1 || overlap.height() <= 1)
                << qPrintable(DescribeControl(shown[i])) << " and " << qPrintable(DescribeControl(shown[j]));
        }
    }
}

} // namespace ricorne::testing
