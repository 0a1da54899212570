#include "TempAppDir.h"
#include "core/paths/Paths.h"
#include "mainwindow/HelpPage.h"
#include "mainwindow/MainFormLayout.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace ricorne {
namespace {

TEST(HelpPageTest, FoundBesideTheProgramOnlyWhenPresent) {
    ricorne::testing::TempAppDir dir(ricorne::testing::TempAppDir::Layout::Empty);
    EXPECT_EQ(HelpPagePath(), QString());
    ASSERT_TRUE(QDir(dir.Path()).mkpath(QStringLiteral("help")));
    QFile page(dir.FilePath(QStringLiteral("help/index.html")));
    ASSERT_TRUE(page.open(QIODevice::WriteOnly));
    page.close();
    EXPECT_EQ(QFileInfo(HelpPagePath()).canonicalFilePath(), QFileInfo(page).canonicalFilePath());
}

bool Overlap(const TwipsBox& a, const TwipsBox& b) {
    return a.left < b.Right() && b.left < a.Right() && a.top < b.Bottom() && b.top < a.Bottom();
}

bool Inside(const TwipsBox& inner, const TwipsBox& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.Right() <= outer.Right() &&
           inner.Bottom() <= outer.Bottom();
}

// The labels stand in two columns on the cabinet, below the help box and above the version
// and status labels: a pointer is over one control at a time.
TEST(MainFormLayoutTest, CabinetControlsLieApartInsideTheCabinet) {
    std::vector<std::pair<QString, TwipsBox>> boxes = {
        {u"Text1"_s, kHelpBox}, {u"Label19"_s, kStatusLabelBox}, {u"Label20"_s, kVersionLabelBox}};
    for (const NavLabelLayout& label : NavLabels())
        boxes.emplace_back(label.name, label.box);
    for (size_t i = 0; i < boxes.size(); ++i) {
        EXPECT_TRUE(Inside(boxes[i].second, kCabinetBox)) << qPrintable(boxes[i].first);
        for (size_t j = i + 1; j < boxes.size(); ++j)
            EXPECT_FALSE(Overlap(boxes[i].second, boxes[j].second))
                << qPrintable(boxes[i].first) << " and " << qPrintable(boxes[j].first);
    }
    EXPECT_GE(kClockBox.left, kCabinetBox.Right()); // the clock stands right of the cabinet
}

} // namespace
} // namespace ricorne
