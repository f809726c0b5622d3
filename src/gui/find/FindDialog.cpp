#include "gui/find/FindDialog.h"

#include "catalogue/DiskLayout.h"
#include "gui/CountText.h"
#include "gui/Fonts.h"
#include "gui/Widgets.h"
#include "gui/find/FindResultsModel.h"
#include "gui/find/FindSearch.h"
#include "gui/TQLForm.h"
#include "gui/mainwindow/ContextMenus.h"

#include <QAction>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace quillarc {

namespace {

constexpr int kColumnWidths[FindResultsModel::ColumnCount] = {175, 150, 250, 130, 80, 110, 240};

} // namespace

FindDialog::FindDialog(const std::string &programFolder, QWidget *parent)
    : QDialog(parent, Widgets::dialogFlags() | Qt::WindowMaximizeButtonHint), m_model(new FindResultsModel(this)),
      m_filter(new FindFilter(this)),
      m_search(new FindSearch(programFolder + std::string(disklayout::kProgramCatalogue), this))
{
    setWindowTitle(QString::fromLatin1(kTitle));
    setFont(Fonts::sans(14));
    resize(1160, 480);

    auto *caption = new QLabel(QStringLiteral("Find a file on the backup disks, plugged in or not:"), this);
    caption->setFont(Fonts::sans(16, true));
    PatternEdit = new QLineEdit(this);
    PatternEdit->setPlaceholderText(QStringLiteral("part of a name, or a pattern with * and ?"));
    PatternEdit->setClearButtonEnabled(true);
    WholePathCheck = new QCheckBox(QStringLiteral("Match the whole path"), this);
    WholePathCheck->setToolTip(QStringLiteral("Match the folders too: Docs/*.ods, or /home/ann/Music"));
    buildTable();
    StatusText = new QLabel(this);
    StatusText->setWordWrap(true);
    StatusText->setTextInteractionFlags(Qt::TextSelectableByMouse);
    CloseButton = new QPushButton(QStringLiteral("Close"), this);
    CloseButton->setFont(Fonts::sans(14, true));
    CloseButton->setAutoDefault(false);

    auto *searchRow = new QHBoxLayout;
    searchRow->addWidget(PatternEdit, 1);
    searchRow->addWidget(WholePathCheck);
    auto *bottomRow = new QHBoxLayout;
    bottomRow->addWidget(StatusText, 1);
    bottomRow->addWidget(CloseButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(caption);
    layout->addLayout(searchRow);
    layout->addWidget(ResultsView, 1);
    layout->addLayout(bottomRow);

    connect(PatternEdit, &QLineEdit::textChanged, this, &FindDialog::patternChanged);
    connect(WholePathCheck, &QCheckBox::toggled, this, &FindDialog::patternChanged);
    connect(m_search, &FindSearch::answered, this, &FindDialog::showAnswer);
    connect(CloseButton, &QPushButton::clicked, this, &QDialog::close);
    StatusText->setText(
        QStringLiteral("Type part of a file's name. Hold the pointer over a file to see all its copies."));
}

FindDialog::~FindDialog() = default;

void FindDialog::buildTable()
{
    m_filter->setSourceModel(m_model);
    ResultsView = new QTableView(this);
    ResultsView->setModel(m_filter);
    ResultsView->setSortingEnabled(true);
    ResultsView->sortByColumn(FindResultsModel::Name, Qt::AscendingOrder);
    ResultsView->setSelectionBehavior(QAbstractItemView::SelectRows);
    ResultsView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ResultsView->setWordWrap(false);
    ResultsView->setFont(Fonts::sans(13));
    ResultsView->verticalHeader()->hide();
    ResultsView->verticalHeader()->setDefaultSectionSize(ResultsView->fontMetrics().height() + 6);
    ResultsView->horizontalHeader()->setHighlightSections(false);
    ResultsView->horizontalHeader()->setStretchLastSection(true);
    for (int column = 0; column < FindResultsModel::ColumnCount; ++column)
        ResultsView->setColumnWidth(column, kColumnWidths[column]);
}

void FindDialog::patternChanged()
{
    const std::string pattern = PatternEdit->text().trimmed().toStdString();
    const bool wholePath = WholePathCheck->isChecked();
    // The rows in hand narrow at once; the catalogue's answer follows.
    m_filter->setPattern(pattern, wholePath);
    if (pattern.empty()) {
        m_search->request({}, wholePath);
        m_settled = false;
        return;
    }
    m_search->request(pattern, wholePath);
    m_settled = false;
    StatusText->setText(QStringLiteral("Searching the catalogue..."));
}

void FindDialog::showAnswer(const FindAnswer &answer)
{
    m_model->setRows(answer.rows);
    m_settled = true;
    if (!answer.error.empty()) {
        StatusText->setText(QString::fromStdString(answer.error));
        return;
    }
    const QString pattern = QString::fromStdString(answer.pattern);
    if (pattern.isEmpty())
        StatusText->setText(QStringLiteral("Type part of a file's name."));
    else if (answer.files == 0)
        StatusText->setText(QStringLiteral("No file in the catalogue matches %1.").arg(pattern));
    else if (answer.files > answer.rows.size())
        StatusText->setText(
            QStringLiteral("%1 found; the first %2 are shown: type more to narrow the search.")
                .arg(filesText(answer.files), QLocale().toString(static_cast<qulonglong>(answer.rows.size()))));
    else
        StatusText->setText(filesText(answer.files) + QStringLiteral(" found."));
}

void attachFindCommand(TQLForm &form, const std::string &programFolder)
{
    QAction *command = form.menus().addListEntry(QStringLiteral("Find Files on the Disks..."), [&form, programFolder] {
        // One Find window at a time; asked again, it comes to the front.
        auto *open = form.findChild<FindDialog *>();
        if (!open) {
            open = new FindDialog(programFolder, &form);
            open->setAttribute(Qt::WA_DeleteOnClose);
        }
        open->show();
        open->raise();
        open->activateWindow();
        open->PatternEdit->setFocus();
    });
    // Finding a file is asked from anywhere in the window, not only from
    // the list.
    command->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    command->setShortcutContext(Qt::WindowShortcut);
    form.addAction(command);
}

} // namespace quillarc
