#pragma once

// Small helpers every window test uses: a click as a person makes it, and
// the texts of the message boxes shown.
#include "gui/MessageBox.h"

#include <QStringList>
#include <QTest>
#include <QWidget>

namespace quillarc {

/// A left click in the middle of `button`.
inline void click(QWidget *button)
{
    QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
}

/// The texts of the boxes in `shown`, in order.
inline QStringList texts(const QList<MessageBox::Shown> &shown)
{
    QStringList result;
    for (const auto &box : shown)
        result << box.text;
    return result;
}

} // namespace quillarc
