// The filter strip's commands: the extension and pattern lists are the
// session's config, and every change writes "config" at once.
#include "gui/TQLForm.h"

#include "gui/mainwindow/MainWindowUi.h"

#include "gui/mainwindow/FilterStrip.h"
#include "gui/mainwindow/LowerCaseEdit.h"
#include "lists/FilterLists.h"

#include <QComboBox>

namespace quillarc {

namespace {

// Runs one FilterLists edit on the text of an edit box; the box shows the
// text as the edit leaves it, also when the save that ends it fails.
template <class Edit>
void editWith(QLineEdit *box, Edit edit)
{
    std::string text = box->text().toStdString();
    try {
        edit(text);
    } catch (...) {
        box->setText(QString::fromStdString(text));
        throw;
    }
    box->setText(QString::fromStdString(text));
}

} // namespace

FilterLists TQLForm::filterLists()
{
    // The list boxes are refilled before the save, so a failed save still
    // shows the entries that the next save will write.
    return m_session.filterLists([this] {
        refreshFilterLists();
        SAvePConfigFile();
    });
}

void TQLForm::addext()
{
    FilterLists lists = filterLists();
    editWith(m_ui->filters->extEdit, [&](std::string &text) { lists.addext(text); });
}

void TQLForm::addpattern()
{
    FilterLists lists = filterLists();
    editWith(m_ui->filters->patternEdit, [&](std::string &text) { lists.addpattern(text); });
}

void TQLForm::removeextbuttonClick()
{
    filterLists().removeExtension(m_ui->filters->ComboBox->currentIndex());
}

void TQLForm::removepatternbuttonClick()
{
    filterLists().removePattern(m_ui->filters->ComboBoxP->currentIndex());
}

} // namespace quillarc
