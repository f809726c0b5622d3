#include "gui/restore/RestoreDialog.h"

#include "catalogue/Catalogue.h"
#include "catalogue/DiskLayout.h"
#include "gui/CountText.h"
#include "gui/Fonts.h"
#include "gui/MessageBox.h"
#include "gui/Widgets.h"
#include "gui/restore/RestorePreviewText.h"
#include "gui/restore/RestoreProgressForm.h"
#include "gui/restore/RestoreTreeModel.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QThread>
#include <QTreeView>

namespace quillarc {

namespace {

// Typing waits this long for the next key before a search starts.
constexpr int kFindPauseMs = 250;
// A search shows this many of the files it found.
constexpr int kFoundShown = 2000;
constexpr int kPathRole = Qt::UserRole + 1;
constexpr int kStampRole = Qt::UserRole + 2;

} // namespace

RestoreDialog::RestoreDialog(Setup setup, QWidget *parent)
    : OneUseDialog(parent, Widgets::dialogFlags() | Qt::WindowMaximizeButtonHint), m_setup(std::move(setup)),
      m_catalogue(std::make_unique<Catalogue>(m_setup.programFolder + std::string(disklayout::kProgramCatalogue)))
{
    // Held for the dialog's life; a pass running now keeps its own lock.
    m_hold.take(m_setup.programFolder);
    setWindowTitle(QStringLiteral("Get Files Back"));
    setFont(Fonts::sans(13));
    Widgets::setBackground(this, QColor(0, 0, 255));
    Widgets::setTextColour(this, Qt::white);
    makeControls();
    layOutControls();
    connectControls();
    showView();
    resize(860, 600);
}

RestoreDialog::~RestoreDialog()
{
    delete m_run;
    for (QThread *finder : m_finders)
        finder->wait();
    qDeleteAll(m_finders);
}

void RestoreDialog::makeControls()
{
    auto light = [](QWidget *widget) {
        Widgets::setLightBase(widget, Qt::white, Qt::black);
        return widget;
    };
    auto button = [&](const QString &text) {
        auto *made = new QPushButton(text, this);
        Widgets::setLightBase(made, QColor(236, 236, 236), Qt::black);
        return made;
    };
    viewChoice = new QComboBox(this);
    viewChoice->addItems({QStringLiteral("By source path"), QStringLiteral("By disk")});
    light(viewChoice);
    findEdit = new QLineEdit(this);
    findEdit->setPlaceholderText(QStringLiteral("Find a file: part of its name, or *.ods, or Docs/*.txt"));
    findEdit->setClearButtonEnabled(true);
    light(findEdit);
    tree = new QTreeView(this);
    tree->setHeaderHidden(true);
    tree->setSelectionMode(QAbstractItemView::ExtendedSelection);
    light(tree);
    found = new QListWidget(this);
    found->setSelectionMode(QAbstractItemView::ExtendedSelection);
    found->hide();
    light(found);
    versions = new QListWidget(this);
    light(versions);
    versions->setToolTip(QStringLiteral("Every copy of the file; choosing one restores as of the pass that made it"));
    asOfEdit = new QLineEdit(this);
    asOfEdit->setPlaceholderText(QStringLiteral("newest; or 2026-12-01 or 2026-12-01 14:30"));
    light(asOfEdit);
    originalPlace = new QRadioButton(QStringLiteral("To the original place"), this);
    intoFolder = new QRadioButton(QStringLiteral("Into the folder"), this);
    originalPlace->setChecked(true);
    folderEdit = new QLineEdit(this);
    light(folderEdit);
    browseButton = button(QStringLiteral("Browse..."));
    overwriteBox = new QCheckBox(QStringLiteral("Replace a different file (kept aside first)"), this);
    for (QAbstractButton *toggle : std::initializer_list<QAbstractButton *> {originalPlace, intoFolder, overwriteBox})
        Widgets::setToggleColours(toggle, Qt::white, Qt::black);
    previewText = new QPlainTextEdit(this);
    previewText->setReadOnly(true);
    previewText->setLineWrapMode(QPlainTextEdit::NoWrap);
    light(previewText);
    previewButton = button(QStringLiteral("Preview"));
    restoreButton = button(QStringLiteral("Get Files Back"));
    closeButton = button(QStringLiteral("Close"));
}

// The tree (or, while a name is sought, the files found) on the left; the
// file's versions and where to restore on the right; what will be written
// across the foot.
void RestoreDialog::layOutControls()
{
    auto *grid = new QGridLayout(this);
    auto *top = new QHBoxLayout;
    top->addWidget(viewChoice);
    top->addWidget(findEdit, 1);
    grid->addLayout(top, 0, 0, 1, 2);
    grid->addWidget(tree, 1, 0, 4, 1);
    grid->addWidget(found, 1, 0, 4, 1);
    grid->addWidget(new QLabel(QStringLiteral("Versions of the file:"), this), 1, 1);
    grid->addWidget(versions, 2, 1);
    auto *options = new QGridLayout;
    options->addWidget(new QLabel(QStringLiteral("As of:"), this), 0, 0);
    options->addWidget(asOfEdit, 0, 1, 1, 2);
    options->addWidget(originalPlace, 1, 0, 1, 3);
    options->addWidget(intoFolder, 2, 0);
    options->addWidget(folderEdit, 2, 1);
    options->addWidget(browseButton, 2, 2);
    options->addWidget(overwriteBox, 3, 0, 1, 3);
    grid->addLayout(options, 3, 1);
    grid->addWidget(new QLabel(QStringLiteral("What will be written:"), this), 5, 0, 1, 2);
    grid->addWidget(previewText, 6, 0, 1, 2);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(previewButton);
    buttons->addWidget(restoreButton);
    buttons->addWidget(closeButton);
    grid->addLayout(buttons, 7, 0, 1, 2);
    grid->setColumnStretch(0, 3);
    grid->setColumnStretch(1, 2);
    grid->setRowStretch(2, 1);
    grid->setRowStretch(6, 1);
}

void RestoreDialog::connectControls()
{
    connect(viewChoice, &QComboBox::currentIndexChanged, this, [this] { showView(); });
    m_findTimer.setSingleShot(true);
    m_findTimer.setInterval(kFindPauseMs);
    connect(&m_findTimer, &QTimer::timeout, this, [this] { startFind(); });
    connect(findEdit, &QLineEdit::textChanged, this, [this](const QString &text) {
        ++m_findGeneration; // results of an earlier text are no longer wanted
        found->setVisible(!text.trimmed().isEmpty());
        tree->setVisible(text.trimmed().isEmpty());
        m_findTimer.start();
    });
    connect(found, &QListWidget::currentItemChanged, this, [this](QListWidgetItem *item) {
        if (item)
            showVersions(item->data(kPathRole).toString().toStdString());
    });
    connect(versions, &QListWidget::itemClicked, this,
            [this](QListWidgetItem *item) { asOfEdit->setText(item->data(kStampRole).toString()); });
    connect(browseButton, &QPushButton::clicked, this, [this] {
        const QString folder = m_setup.chooseFolder ? m_setup.chooseFolder(this) : QString();
        if (!folder.isEmpty()) {
            folderEdit->setText(folder);
            intoFolder->setChecked(true);
        }
    });
    connect(folderEdit, &QLineEdit::textEdited, this, [this] { intoFolder->setChecked(true); });
    connect(previewButton, &QPushButton::clicked, this, [this] { preview(); });
    connect(restoreButton, &QPushButton::clicked, this, [this] { restore(); });
    connect(closeButton, &QPushButton::clicked, this, &RestoreDialog::reject);
}

void RestoreDialog::showView()
{
    const auto view =
        viewChoice->currentIndex() == 1 ? RestoreTreeModel::View::ByDisk : RestoreTreeModel::View::BySourcePath;
    auto model = std::make_unique<RestoreTreeModel>(*m_catalogue, view);
    tree->setModel(model.get());
    m_model = std::move(model);
    connect(tree->selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex &current) {
        if (!m_model->isFolder(current))
            showVersions(m_model->sourcePath(current));
        else
            versions->clear();
    });
}

// The search runs on its own connection in a thread of its own, so that
// typing never waits for it; only the newest text's answer is shown.
void RestoreDialog::startFind()
{
    const QString pattern = findEdit->text().trimmed();
    if (pattern.isEmpty())
        return;
    const int generation = m_findGeneration;
    auto answer = std::make_shared<std::vector<CopyEntry>>();
    const std::string file = m_catalogue->file();
    const std::string text = pattern.toStdString();
    QThread *finder = QThread::create([answer, file, text] {
        try {
            const Catalogue own(file);
            *answer = own.find(text, text.find('/') != std::string::npos);
        } catch (const CatalogueError &) {
            answer->clear();
        }
    });
    m_finders.push_back(finder);
    connect(finder, &QThread::finished, this, [this, finder, answer, generation, pattern] {
        std::erase(m_finders, finder);
        finder->deleteLater();
        if (generation == m_findGeneration)
            showFound(pattern, *answer);
    });
    finder->start();
}

void RestoreDialog::showFound(const QString &pattern, const std::vector<CopyEntry> &entries)
{
    found->clear();
    std::string last;
    int shown = 0;
    for (const CopyEntry &entry : entries) {
        if (entry.copy.path == last)
            continue; // sorted by path: one line per file
        last = entry.copy.path;
        if (++shown > kFoundShown)
            break;
        auto *item = new QListWidgetItem(QStringLiteral("/") + QString::fromStdString(entry.copy.path), found);
        item->setData(kPathRole, item->text());
    }
    if (shown == 0)
        new QListWidgetItem(QStringLiteral("Nothing found for \"%1\"").arg(pattern), found);
}

void RestoreDialog::showVersions(const std::string &sourcePath)
{
    versions->clear();
    const auto mirror = mirrorPathOf(sourcePath);
    if (!mirror)
        return;
    for (const CopyEntry &entry : m_catalogue->copiesUnder(*mirror)) {
        if (entry.copy.path != *mirror)
            continue;
        auto *item = new QListWidgetItem(restoreVersionText(entry), versions);
        item->setData(kStampRole, QString::fromStdString(entry.copy.passStamp));
    }
}

std::vector<std::string> RestoreDialog::chosenPaths() const
{
    std::vector<std::string> paths;
    if (found->isVisible()) {
        for (const QListWidgetItem *item : found->selectedItems())
            if (const QString path = item->data(kPathRole).toString(); !path.isEmpty())
                paths.push_back(path.toStdString());
        return paths;
    }
    for (const QModelIndex &index : tree->selectionModel()->selectedIndexes()) {
        const std::string path = m_model->sourcePath(index);
        if (path.empty()) { // a disk: every top folder it holds
            for (const CatalogueChild &child : m_catalogue->childrenOf(""))
                paths.push_back("/" + child.name);
        } else {
            paths.push_back(path);
        }
    }
    std::sort(paths.begin(), paths.end());
    paths.erase(std::unique(paths.begin(), paths.end()), paths.end());
    return paths;
}

bool RestoreDialog::makePlan(RestorePlan &plan, RestoreSettings &settings)
{
    RestoreRequest request;
    request.paths = chosenPaths();
    if (request.paths.empty()) {
        MessageBox::notice(this, QStringLiteral("Choose the files or folders to get back first."));
        return false;
    }
    if (const QString asOf = asOfEdit->text().trimmed(); !asOf.isEmpty()) {
        const auto stamp = asOfStampFromText(asOf.toStdString());
        if (!stamp) {
            MessageBox::notice(this, QStringLiteral("\"%1\" is no date: write it as 2026-12-01 or 2026-12-01 14:30, "
                                                    "or leave it empty for the newest copies.")
                                         .arg(asOf));
            return false;
        }
        request.asOfStamp = *stamp;
    }
    if (intoFolder->isChecked()) {
        const QString folder = QDir::cleanPath(folderEdit->text().trimmed());
        if (folder.isEmpty() || !QDir::isAbsolutePath(folder) || !QFileInfo(folder).isDir()) {
            MessageBox::notice(this, QStringLiteral("Choose an existing folder to restore into."));
            return false;
        }
        request.targetFolder = folder.toStdString();
    }
    plan = planRestore(request, *m_catalogue);
    settings.base = request.targetFolder.empty() ? "/" : request.targetFolder;
    settings.overwrite = overwriteBox->isChecked();
    settings.date = m_setup.today;
    return true;
}

QString RestoreDialog::preview()
{
    RestorePlan plan;
    RestoreSettings settings;
    if (!makePlan(plan, settings))
        return {};
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QString text = restorePreviewText(plan, settings);
    QApplication::restoreOverrideCursor();
    previewText->setPlainText(text);
    return text;
}

void RestoreDialog::restore()
{
    if (m_run)
        return;
    RestorePlan plan;
    RestoreSettings settings;
    if (!makePlan(plan, settings))
        return;
    previewText->setPlainText(restorePreviewText(plan, settings));
    if (plan.fileCount() == 0) {
        MessageBox::notice(this, QStringLiteral("The catalogue holds no copy of what was chosen, as of that date."));
        return;
    }
    if (!MessageBox::confirm(this, QStringLiteral("Get back %1 as shown?").arg(filesText(plan.fileCount()))))
        return;
    // A pass that held the folder when the dialog opened may have ended.
    if (!m_hold.held())
        m_hold.take(m_setup.programFolder);
    RestoreRun::Hooks hooks;
    hooks.lookAtDrive = m_setup.lookAtDrive;
    hooks.askForDisk = [this](const DiskPlan &disk) {
        return MessageBox::confirm(m_progress,
                                   QStringLiteral("Insert the backup disk \"%1\" (%2) and press Yes; Cancel skips it.")
                                       .arg(QString::fromStdString(disk.label), filesText(disk.files.size())));
    };
    m_run = new RestoreRun(std::move(plan), settings, hooks);
    m_progress = new RestoreProgressForm(static_cast<int>(m_run->fileCount()), this);
    connect(m_run, &RestoreRun::progressed, m_progress, &RestoreProgressForm::showProgress);
    connect(m_progress, &RestoreProgressForm::stopRequested, m_run, &RestoreRun::stop, Qt::DirectConnection);
    connect(m_run, &QThread::finished, this, &RestoreDialog::runEnded);
    for (QPushButton *command : {previewButton, restoreButton, closeButton})
        command->setEnabled(false);
    m_progress->show();
    m_run->start();
}

void RestoreDialog::runEnded()
{
    m_progress->hide();
    const QString text = restoreEndText(m_run->done(), m_run->fileCount(), m_run->notRestored(), m_run->besides());
    m_progress->deleteLater();
    m_progress = nullptr;
    m_run->deleteLater();
    m_run = nullptr;
    for (QPushButton *command : {previewButton, restoreButton, closeButton})
        command->setEnabled(true);
    MessageBox::notice(this, text);
}

void RestoreDialog::reject()
{
    // Closing while files come back is STOP first.
    if (m_run) {
        m_run->stop();
        return;
    }
    OneUseDialog::reject();
}

} // namespace quillarc
