#include "gui/mainwindow/LowerCaseEdit.h"

#include "lists/FilterLists.h"

#include <QKeyEvent>

namespace quillarc {

LowerCaseEdit::LowerCaseEdit(QWidget *parent) : QLineEdit(parent)
{
    connect(this, &QLineEdit::textEdited, this, [this](const QString &text) {
        const QString lower = QString::fromStdString(FilterLists::lowerCase(text.toStdString()));
        if (lower == text)
            return;
        const int cursor = cursorPosition();
        setText(lower);
        setCursorPosition(cursor);
    });
}

void LowerCaseEdit::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        Q_EMIT enterPressed();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

} // namespace quillarc
