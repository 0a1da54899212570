#include "core/clock/ClockText.h"

#include <QDateTime>
#include <QLocale>
#include <gtest/gtest.h>

namespace ricorne {
namespace {

TEST(ClockTextTest, DateTwoSpacesAndTimeWithoutLeadingZeroHour) {
    EXPECT_EQ(ClockText(QDateTime(QDate(2024, 3, 5), QTime(9, 7, 2))), QStringLiteral("2024/03/05  9:07:02"));
    EXPECT_EQ(ClockText(QDateTime(QDate(1999, 12, 31), QTime(23, 59, 59))),
              QStringLiteral("1999/12/31  23:59:59"));
    EXPECT_EQ(ClockText(QDateTime(QDate(2025, 1, 1), QTime(0, 0, 0))), QStringLiteral("2025/01/01  0:00:00"));
}

TEST(ClockTextTest, SameTextWhateverTheLocale) {
    const QLocale before;
    for (const QLocale& locale :
         {QLocale(QLocale::English, QLocale::UnitedStates), QLocale(QLocale::Arabic, QLocale::Egypt),
          QLocale(QLocale::German, QLocale::Germany)}) {
        QLocale::setDefault(locale);
        EXPECT_EQ(ClockText(QDateTime(QDate(2024, 11, 20), QTime(14, 5, 9))),
                  QStringLiteral("2024/11/20  14:05:09"))
            << locale.name().toStdString();
    }
    QLocale::setDefault(before);
}

} // namespace
} // namespace ricorne
