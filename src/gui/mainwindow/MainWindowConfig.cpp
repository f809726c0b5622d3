// The window's settings and the file "config": applied once at start-up,
// gathered from the controls whenever the file is written.
#include "gui/TQLForm.h"

#include "gui/mainwindow/MainWindowUi.h"

#include "gui/mainwindow/BackupListModel.h"
#include "gui/mainwindow/FilterStrip.h"
#include "gui/mainwindow/ListFontQt.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableView>

namespace quillarc {

void TQLForm::applyConfig()
{
    const ProgramConfig &config = m_session.config();
    m_ui->CDEdit->setText(QString::fromStdString(driveText(config.drive)));
    applyListFont();
    for (int column = 0; column < BackupListModel::ColumnCount; ++column)
        m_ui->ListView->setColumnWidth(column, config.columnWidths[static_cast<std::size_t>(column)]);

    // A size saved on a larger screen (or at a smaller scale) is kept
    // within this screen, so the window never opens beyond its edges; the
    // saved size itself stays for the next start.
    fitWindowTo(QSize(config.windowWidth, config.windowHeight));

    m_ui->filters->ExcludeCheckBox->setChecked(config.exclude);
    refreshFilterLists();
    watchBackupDrive();
}

void TQLForm::applyListFont()
{
    const ListFont &listFont = m_session.config().font;
    const QFont font = qFontOf(listFont);
    m_ui->ListView->setFont(font);
    // The header is given the font itself: inherited, it follows a font
    // chosen while the program runs but keeps the desktop's after a start.
    m_ui->ListView->horizontalHeader()->setFont(font);
    m_model->setListFont(font, qColourOf(listFont));
    m_ui->ListView->verticalHeader()->setDefaultSectionSize(QFontMetrics(font).height() + 6);
}

void TQLForm::collectConfig()
{
    std::array<int, 4> widths {};
    for (int column = 0; column < BackupListModel::ColumnCount; ++column)
        widths[static_cast<std::size_t>(column)] = m_ui->ListView->columnWidth(column);
    m_session.setColumnWidths(widths);
    const QSize size = sizeToSave();
    const QPoint place = placeToSave();
    m_session.setWindowPlace(place.x(), place.y(), size.width(), size.height());
}

void TQLForm::SAvePConfigFile()
{
    collectConfig();
    m_session.saveConfig();
}

void TQLForm::refreshFilterLists()
{
    m_ui->filters->showLists(m_session.config().extensions, m_session.config().patterns);
}

} // namespace quillarc
