#pragma once
#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>

#include "platform/DialogTemplate.hpp"
#include "qt/ControlWidgets.hpp"

namespace korvane::qt::test {

// The room a control has for its text, and what the text takes (one line, or for a
// multi-line static its longest word).
struct TextRoom {
    int available;
    int needed;
};

inline TextRoom textRoom(QWidget* w, const platform::ControlTemplate& t) {
    const QFontMetrics metrics = w->fontMetrics();
    if (auto* button = dynamic_cast<QAbstractButton*>(w)) {
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        const auto contents =
            dynamic_cast<QCheckBox*>(button) != nullptr      ? QStyle::SE_CheckBoxContents
            : dynamic_cast<QRadioButton*>(button) != nullptr ? QStyle::SE_RadioButtonContents
                                                             : QStyle::SE_PushButtonContents;
        return {button->style()->subElementRect(contents, &option, button).width(),
                metrics.size(Qt::TextShowMnemonic, button->text()).width()};
    }
    if (auto* label = dynamic_cast<QLabel*>(w)) {
        QString shown = label->text();
        if (t.has(platform::style::kMultiline)) {
            shown.clear();
            for (const QString& word : label->text().split(QLatin1Char(' ')))
                if (metrics.horizontalAdvance(word) > metrics.horizontalAdvance(shown))
                    shown = word;
        }
        return {label->contentsRect().width(), metrics.horizontalAdvance(shown)};
    }
    if (auto* group = dynamic_cast<DialogGroupBox*>(w))
        return {group->width(), group->titleRect().right() + 1};
    return {w->width(), 0};
}

} // namespace korvane::qt::test
