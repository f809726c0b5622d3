// The window's settings and the file "config": applied once at start-up,
// gathered from the controls whenever the file is written.
#include "gui/TQLForm.h"

#include "gui/mainwindow/BackupListModel.h"
#include "gui/mainwindow/ListFontQt.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableView>

namespace quillarc {

void TQLForm::applyConfig()
{
    CDEdit->setText(QString::fromStdString(driveText(m_config.drive)));
    applyListFont();
    for (int column = 0; column < BackupListModel::ColumnCount; ++column)
        ListView->setColumnWidth(column, m_config.columnWidths[static_cast<std::size_t>(column)]);

    // A size saved on a larger screen (or at a smaller scale) is kept
    // within this screen, so the window never opens beyond its edges; the
    // saved size itself stays for the next start.
    fitWindowTo(QSize(m_config.windowWidth, m_config.windowHeight));

    ExcludeCheckBox->setChecked(m_config.exclude);
    refreshFilterLists();
    watchBackupDrive();
}

void TQLForm::applyListFont()
{
    const QFont font = qFontOf(m_config.font);
    ListView->setFont(font);
    // The header is given the font itself: inherited, it follows a font
    // chosen while the program runs but keeps the desktop's after a start.
    ListView->horizontalHeader()->setFont(font);
    m_model->setListFont(font, qColourOf(m_config.font));
    ListView->verticalHeader()->setDefaultSectionSize(QFontMetrics(font).height() + 6);
}

void TQLForm::collectConfig()
{
    for (int column = 0; column < BackupListModel::ColumnCount; ++column)
        m_config.columnWidths[static_cast<std::size_t>(column)] = ListView->columnWidth(column);
    const QSize size = sizeToSave();
    m_config.windowWidth = size.width();
    m_config.windowHeight = size.height();
    const QPoint place = placeToSave();
    m_config.windowLeft = place.x();
    m_config.windowTop = place.y();
}

void TQLForm::SAvePConfigFile()
{
    collectConfig();
    quillarc::SAvePConfigFile(m_env.programFolder + std::string(kConfigFileName), m_config);
}

void TQLForm::refreshFilterLists()
{
    const auto fill = [](QComboBox *box, const std::vector<std::string> &entries) {
        box->clear();
        for (const std::string &entry : entries)
            box->addItem(QString::fromStdString(entry));
        box->setCurrentIndex(-1);
    };
    fill(ComboBox, m_config.extensions);
    fill(ComboBoxP, m_config.patterns);
}

} // namespace quillarc
