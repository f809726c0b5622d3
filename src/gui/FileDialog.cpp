#include "gui/FileDialog.h"

#include <QFileDialog>
#include <QHeaderView>
#include <QTreeView>

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

// Qt's own file dialog opens small, and its detail view squeezes the size
// and date columns to "441…tes". It gets room, and each column the width
// of what it shows; the name column takes the rest. A desktop's native
// dialog has none of these widgets and is left as it is.
void giveRoom(QFileDialog &dialog)
{
    dialog.resize(dialog.size().expandedTo(QSize(760, 460)));
    for (QTreeView *view : dialog.findChildren<QTreeView *>()) {
        QHeaderView *header = view->header();
        header->setStretchLastSection(false);
        header->setSectionResizeMode(QHeaderView::ResizeToContents);
        header->setSectionResizeMode(0, QHeaderView::Stretch);
    }
}

QString runForOne(QFileDialog &dialog)
{
    giveRoom(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().first();
}

} // namespace

QString FileDialog::openFile(QWidget *parent, const QString &title, const QString &folder, const QString &filter)
{
    if (auto answer = scripted(title))
        return *answer;
    QFileDialog dialog(parent, title, folder, filter);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    return runForOne(dialog);
}

QString FileDialog::chooseFolder(QWidget *parent, const QString &title, const QString &folder)
{
    if (auto answer = scripted(title))
        return *answer;
    QFileDialog dialog(parent, title, folder);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    return runForOne(dialog);
}

QString FileDialog::chooseIniFile(QWidget *parent, const QString &title, const QString &folder)
{
    if (auto answer = scripted(title))
        return *answer;
    QFileDialog dialog(parent, title, folder, QStringLiteral("INI (*.ini)"));
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setDefaultSuffix(QStringLiteral("ini"));
    return runForOne(dialog);
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
