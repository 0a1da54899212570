#include "mainwindow/MainFormLayout.h"

#include "mainwindow/MainWindowTexts.h"

namespace ricorne {

const std::vector<NavLabelLayout>& NavLabels() {
    static const std::vector<NavLabelLayout> labels = {
        {NavLabel::Compose,
         QStringLiteral("Label5"),
         NavLabelCaption(NavLabel::Compose),
         {720, 4000, 1095, 170},
         NavLabelHelp(NavLabel::Compose),
         true},
        {NavLabel::Receive,
         QStringLiteral("Label6"),
         NavLabelCaption(NavLabel::Receive),
         {720, 4280, 1095, 170},
         NavLabelHelp(NavLabel::Receive),
         true},
        {NavLabel::ReceivedHistory,
         QStringLiteral("Label7"),
         NavLabelCaption(NavLabel::ReceivedHistory),
         {780, 4580, 1095, 165},
         NavLabelHelp(NavLabel::ReceivedHistory),
         false},
        {NavLabel::SentHistory,
         QStringLiteral("Label8"),
         NavLabelCaption(NavLabel::SentHistory),
         {740, 4880, 1095, 165},
         NavLabelHelp(NavLabel::SentHistory),
         false},
        {NavLabel::AddressBook,
         QStringLiteral("Label9"),
         NavLabelCaption(NavLabel::AddressBook),
         {2160, 4000, 1095, 165},
         NavLabelHelp(NavLabel::AddressBook),
         true},
        {NavLabel::Settings,
         QStringLiteral("Label10"),
         NavLabelCaption(NavLabel::Settings),
         {2160, 4280, 1095, 165},
         NavLabelHelp(NavLabel::Settings),
         true},
        {NavLabel::HelpPage,
         QStringLiteral("Label11"),
         NavLabelCaption(NavLabel::HelpPage),
         {2100, 4560, 1095, 165},
         NavLabelHelp(NavLabel::HelpPage),
         true},
        {NavLabel::Minimise,
         QStringLiteral("Label12"),
         NavLabelCaption(NavLabel::Minimise),
         {2080, 4880, 1095, 165},
         NavLabelHelp(NavLabel::Minimise),
         false},
    };
    return labels;
}

const NavLabelLayout& NavLabelInfo(NavLabel id) {
    return NavLabels().at(static_cast<size_t>(id));
}

} // namespace ricorne
