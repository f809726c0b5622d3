#include "gui/FileDialog.h"

#include <QFileDialog>

#include <deque>
#include <optional>

namespace quillarc {

namespace {

struct ScriptState {
    int depth = 0;
    std::deque<QString> answers;
    QStringList titles;
};

ScriptState &script()
{
    static ScriptState state;
    return state;
}

std::optional<QString> scripted(const QString &title)
{
    ScriptState &state = script();
    if (state.depth == 0)
        return std::nullopt;
    state.titles.append(title);
    if (state.answers.empty())
        return QString();
    QString path = state.answers.front();
    state.answers.pop_front();
    return path;
}

} // namespace

QString FileDialog::openFile(QWidget *parent, const QString &title, const QString &folder, const QString &filter)
{
    if (auto answer = scripted(title))
        return *answer;
    return QFileDialog::getOpenFileName(parent, title, folder, filter);
}

QString FileDialog::chooseFolder(QWidget *parent, const QString &title, const QString &folder)
{
    if (auto answer = scripted(title))
        return *answer;
    return QFileDialog::getExistingDirectory(parent, title, folder);
}

QString FileDialog::chooseIniFile(QWidget *parent, const QString &title, const QString &folder)
{
    if (auto answer = scripted(title))
        return *answer;
    QFileDialog dialog(parent, title, folder, QStringLiteral("INI (*.ini)"));
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setDefaultSuffix(QStringLiteral("ini"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().first();
}

FileDialog::Script::Script()
{
    ++script().depth;
}

FileDialog::Script::~Script()
{
    if (--script().depth == 0) {
        script().answers.clear();
        script().titles.clear();
    }
}

void FileDialog::Script::answer(const QString &path)
{
    script().answers.push_back(path);
}

QStringList FileDialog::Script::titles() const
{
    return script().titles;
}

} // namespace quillarc
