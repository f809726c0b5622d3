#include "gui/MessageBox.h"

#include "engine/PathRules.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>

#include <deque>

namespace quillarc {

namespace {

struct ScriptState {
    int depth = 0;
    std::deque<bool> answers;
    QList<MessageBox::Shown> shown;
};

ScriptState &script()
{
    static ScriptState state;
    return state;
}

QString captionOf(MessageBox::Kind kind)
{
    return kind == MessageBox::Kind::Confirm ? QStringLiteral("Confirm") : MessageBox::title();
}

} // namespace

QString MessageBox::title()
{
    return QStringLiteral("Quillarc");
}

QString MessageBox::errorText(const QString &text)
{
    return QString::fromStdString(PathRules::withFullStop(text.toStdString()));
}

std::unique_ptr<QMessageBox> MessageBox::build(Kind kind, QWidget *parent, const QString &text, const QString &action)
{
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    auto box = std::make_unique<QMessageBox>(parent);
    box->setWindowTitle(captionOf(kind));
    box->setText(shown);
    box->setTextFormat(Qt::PlainText);
    switch (kind) {
    case Kind::Notice:
        box->setIcon(QMessageBox::NoIcon);
        box->setStandardButtons(QMessageBox::Ok);
        if (!action.isEmpty())
            box->addButton(action, QMessageBox::ActionRole);
        box->setDefaultButton(QMessageBox::Ok);
        box->setEscapeButton(QMessageBox::Ok);
        break;
    case Kind::Error:
        box->setIcon(QMessageBox::Critical);
        box->setStandardButtons(QMessageBox::Ok);
        break;
    case Kind::Confirm: {
        box->setIcon(QMessageBox::Question);
        QPushButton *yes = box->addButton(QStringLiteral("&Yes"), QMessageBox::YesRole);
        QPushButton *cancel = box->addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
        box->setDefaultButton(yes);
        box->setEscapeButton(cancel);
        break;
    }
    }
    return box;
}

bool MessageBox::run(Kind kind, QWidget *parent, const QString &text, const QString &action)
{
    const bool asks = kind == Kind::Confirm || !action.isEmpty();
    ScriptState &state = script();
    if (state.depth > 0) {
        state.shown.append({kind, captionOf(kind), text, action});
        if (!asks)
            return true;
        bool yes = false;
        if (!state.answers.empty()) {
            yes = state.answers.front();
            state.answers.pop_front();
        }
        return yes;
    }
    auto box = build(kind, parent, text, action);
    box->exec();
    if (!asks)
        return true;
    const QMessageBox::ButtonRole wanted = kind == Kind::Confirm ? QMessageBox::YesRole : QMessageBox::ActionRole;
    return box->clickedButton() && box->buttonRole(box->clickedButton()) == wanted;
}

void MessageBox::notice(QWidget *parent, const QString &text)
{
    run(Kind::Notice, parent, text);
}

bool MessageBox::noticeWithAction(QWidget *parent, const QString &text, const QString &action)
{
    return run(Kind::Notice, parent, text, action);
}

bool MessageBox::confirm(QWidget *parent, const QString &text)
{
    return run(Kind::Confirm, parent, text);
}

void MessageBox::error(QWidget *parent, const QString &text)
{
    run(Kind::Error, parent, errorText(text));
}

MessageBox::Script::Script()
{
    ++script().depth;
}

MessageBox::Script::~Script()
{
    if (--script().depth == 0) {
        script().answers.clear();
        script().shown.clear();
    }
}

void MessageBox::Script::answer(bool yes)
{
    script().answers.push_back(yes);
}

QList<MessageBox::Shown> MessageBox::Script::take()
{
    QList<Shown> shown;
    shown.swap(script().shown);
    return shown;
}

} // namespace quillarc
