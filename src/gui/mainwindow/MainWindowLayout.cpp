// The main window's controls and where they sit: the green command panel
// (drive, commands, filter strip, status lines) over the backup list.
#include "gui/TQLForm.h"

#include "gui/FittingLabel.h"
#include "gui/Fonts.h"
#include "gui/Widgets.h"
#include "gui/controls/TGlossButton.h"
#include "gui/mainwindow/BackupListModel.h"
#include "gui/mainwindow/LowerCaseEdit.h"
#include "lists/ProgramConfig.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStyle>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

namespace quillarc {

namespace {

const QColor kGreen(0, 128, 0);
const QColor kYellow(255, 255, 0);
// The list and its font colour are fixed by the user's settings, so the
// list keeps the light tooltip colour of its design under a dark theme too.
const QColor kListBackground(255, 255, 225);

QLabel *yellowCaption(const QString &text, QWidget *parent, const QPoint &at)
{
    auto *label = new QLabel(text, parent);
    Widgets::setTextColour(label, kYellow);
    label->move(at);
    label->adjustSize();
    return label;
}

TGlossButton *glossButton(QWidget *parent, const QRect &geometry, const QString &caption, TGlossCustomColor colour,
                          const QColor &captionColour, const QString &hint = {})
{
    auto *button = new TGlossButton(parent);
    button->setGeometry(geometry);
    button->setCaption(caption);
    button->setCustomColor(colour);
    button->setFontColor(captionColour);
    button->setFont(Fonts::sans(13, true));
    button->setCursor(Qt::PointingHandCursor);
    if (!hint.isEmpty())
        button->setToolTip(hint);
    return button;
}

QPushButton *arrowButton(QWidget *parent, const QRect &geometry, const QString &caption, QStyle::StandardPixmap arrow,
                         bool imageOnRight)
{
    auto *button = new QPushButton(parent->style()->standardIcon(arrow), caption, parent);
    button->setGeometry(geometry);
    button->setIconSize(QSize(12, 12));
    if (imageOnRight)
        button->setLayoutDirection(Qt::RightToLeft);
    return button;
}

QComboBox *dropDownList(QWidget *parent, const QRect &geometry)
{
    auto *box = new QComboBox(parent);
    box->setGeometry(geometry);
    box->setEditable(false);
    // The entries are longer than the box; the open list shows them whole.
    box->setSizeAdjustPolicy(QComboBox::AdjustToContentsOnFirstShow);
    box->view()->setMinimumWidth(140);
    return box;
}

} // namespace

void TQLForm::buildLayout()
{
    setWindowTitle(QString::fromLatin1(kCaption));
    setFont(Fonts::sans(13));
    resize(740, 420);

    auto *panel1 = new QWidget(this);
    panel1->setObjectName(QStringLiteral("Panel1"));
    panel1->setFixedHeight(240);
    Widgets::setBackground(panel1, kGreen);
    buildCommandPanel(panel1);
    buildListView();

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(panel1);
    layout->addWidget(ListView, 1);
}

void TQLForm::buildCommandPanel(QWidget *panel1)
{
    auto *top = new QWidget(panel1);
    top->setFixedHeight(133);
    auto *panel7 = new QWidget(top);
    panel7->setObjectName(QStringLiteral("Panel7"));
    panel7->setFixedWidth(296);
    auto *panel8 = new QWidget(top);
    panel8->setObjectName(QStringLiteral("Panel8"));
    for (QWidget *panel : {panel7, panel8})
        Widgets::setBackground(panel, kGreen);
    auto *row = new QHBoxLayout(top);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(panel7);
    row->addWidget(panel8, 1);
    buildDrivePanel(panel7);
    buildButtonPanel(panel8);

    auto *panel6 = new QWidget(panel1);
    panel6->setObjectName(QStringLiteral("Panel6"));
    panel6->setFixedHeight(41);
    Widgets::setBackground(panel6, kGreen);
    buildFilterStrip(panel6);

    auto *panel3 = new QWidget(panel1);
    panel3->setObjectName(QStringLiteral("Panel3"));
    panel3->setFixedHeight(66);
    // The design's light tooltip colour with black text under any theme, as
    // the list below it has: a dark theme would otherwise leave the window
    // half dark, half pale.
    Widgets::setBackground(panel3, kListBackground);
    Widgets::setTextColour(panel3, Qt::black);
    buildStatusPanel(panel3);

    auto *column = new QVBoxLayout(panel1);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(top);
    column->addWidget(panel6);
    column->addWidget(panel3);
}

void TQLForm::buildDrivePanel(QWidget *panel7)
{
    SetCDButton = new QToolButton(panel7);
    SetCDButton->setGeometry(8, 8, 25, 23);
    SetCDButton->setIcon(style()->standardIcon(QStyle::SP_DriveHDIcon));
    SetCDButton->setToolTip(QStringLiteral("SELECT BACKUP DRIV E"));
    SetCDButton->setCursor(Qt::PointingHandCursor);
    CDEdit = new QLineEdit(QString::fromLatin1(kNoDriveText.data(), static_cast<int>(kNoDriveText.size())), panel7);
    CDEdit->setGeometry(38, 8, 249, 23);
    CDEdit->setReadOnly(true);
    // Read-only fields take the focus only when clicked: a command that is
    // switched off must not hand the focus to a field with its text selected.
    CDEdit->setFocusPolicy(Qt::ClickFocus);
    Widgets::setLightBase(CDEdit, Qt::white, Qt::black);

    ImportButton = new QPushButton(style()->standardIcon(QStyle::SP_ArrowDown), QStringLiteral("Import"), panel7);
    ImportButton->setGeometry(8, 40, 78, 25);
    Exportbutton = new QPushButton(style()->standardIcon(QStyle::SP_ArrowUp), QStringLiteral("Export"), panel7);
    Exportbutton->setGeometry(8, 70, 78, 25);
    ImportButton->setEnabled(false);
    Exportbutton->setEnabled(false);

    IniButton = new QToolButton(panel7);
    IniButton->setGeometry(94, 55, 25, 23);
    IniButton->setIcon(style()->standardIcon(QStyle::SP_BrowserReload));
    IniButton->setToolTip(QStringLiteral("LOAD BACKUP LIST"));
    IniButton->setCursor(Qt::PointingHandCursor);
    Edit2 = new QLineEdit(panel7);
    Edit2->setGeometry(124, 55, 163, 23);
    Edit2->setReadOnly(true);
    Edit2->setFocusPolicy(Qt::ClickFocus);
    Widgets::setLightBase(Edit2, Qt::white, Qt::black);

    FreeCaption = yellowCaption(QStringLiteral("Free "), panel7, QPoint(8, 106));
    FreeSpaceStatusBar = new FittingLabel(panel7);
    FreeSpaceStatusBar->setGeometry(38, 102, 252, 22);
    // Bytes, KB and MB of a disk of many terabytes still show whole.
    FreeSpaceStatusBar->setFont(Fonts::sans(11));
    FreeSpaceStatusBar->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Widgets::setBackground(FreeSpaceStatusBar, QColor(240, 240, 240));
    Widgets::setTextColour(FreeSpaceStatusBar, Qt::black);
}

void TQLForm::buildButtonPanel(QWidget *panel8)
{
    auto *panel9 = Widgets::panel(panel8, QRect(0, 0, 104, 133), kGreen);
    AddFileButton = glossButton(panel9, QRect(5, 14, 94, 41), QStringLiteral("Add File"), ccOrange, kGreen);
    AddButton = glossButton(panel9, QRect(5, 66, 94, 41), QStringLiteral("Add Folder"), ccOrange, kGreen);

    auto *panel11 = Widgets::panel(panel8, QRect(104, 0, 104, 133), kGreen);
    BackupButton = glossButton(panel11, QRect(5, 14, 94, 41), QStringLiteral("Backup"), ccPepermint, Qt::black);
    StopButton = glossButton(panel11, QRect(5, 66, 94, 41), QStringLiteral("STOP"), ccRose, Qt::white,
                             QStringLiteral("COMPLETE THIS FOLDER AND THEN STOP.  TO FORCE STOP PRESS ABORT."));
    StopButton->unsetCursor();
    StopButton->setEnabled(false);

    const int x = 214;
    Helpbutton = glossButton(panel8, QRect(x, 6, 57, 25), QStringLiteral("Help"), ccNeonGreen, Qt::black);
    exitButton = glossButton(panel8, QRect(x + 62, 6, 57, 25), QStringLiteral("Exit"), ccNeonGreen, Qt::black);
    Button1 = glossButton(panel8, QRect(x, 37, 57, 25), QStringLiteral("Links"), ccNeonGreen, Qt::black,
                          QStringLiteral("ADD LINKS TO START UP THIS PROGRAM"));
    button2 = glossButton(panel8, QRect(x + 62, 37, 57, 25), QStringLiteral("Font"), ccNeonGreen, Qt::black,
                          QStringLiteral("CHANGE LIST FONT"));
    RestoreButton = glossButton(panel8, QRect(x, 68, 136, 25), QStringLiteral("Resources"), ccNeonGreen, Qt::black,
                                QStringLiteral("CHECK COMPUTER RESOURCES"));
    Button3 = glossButton(panel8, QRect(x, 100, 90, 25), QStringLiteral("Software"), ccNeonGreen, Qt::black,
                          QStringLiteral("HOME PAGE ON THE INTERNET"));
    EmailButton = glossButton(panel8, QRect(x + 95, 100, 90, 25), QStringLiteral("Email"), ccNeonGreen, Qt::black,
                              QStringLiteral("SEND EMAIL ABOUT THIS PROGRAM"));
}

void TQLForm::buildFilterStrip(QWidget *panel6)
{
    // Left to right, each control after the one before, so the captions
    // never run into the boxes whatever face the desktop gives them.
    int x = 8;
    const auto place = [&x](QWidget *widget, int width, int top, int height, int gap = 4) {
        widget->setGeometry(x, top, width, height);
        x += width + gap;
    };
    const auto caption = [&](const QString &text) {
        QLabel *label = yellowCaption(text, panel6, QPoint(0, 0));
        place(label, label->sizeHint().width(), 12, 18);
        return label;
    };

    ExcludeCheckBox = new QCheckBox(QStringLiteral("EXCLUDE"), panel6);
    ExcludeCheckBox->setChecked(true);
    Widgets::setTextColour(ExcludeCheckBox, kYellow);
    place(ExcludeCheckBox, ExcludeCheckBox->sizeHint().width(), 10, 22, 14);

    StaticText3 = caption(QStringLiteral("Extension"));
    extEdit = new LowerCaseEdit(panel6);
    place(extEdit, 41, 10, 22);
    addextbutton = arrowButton(panel6, {}, QStringLiteral("->"), QStyle::SP_ArrowRight, false);
    place(addextbutton, 44, 9, 24);
    ComboBox = dropDownList(panel6, {});
    place(ComboBox, 54, 10, 22);
    removeextbutton = arrowButton(panel6, {}, QStringLiteral("<-"), QStyle::SP_ArrowLeft, true);
    place(removeextbutton, 44, 9, 24, 14);

    StaticText4 = caption(QStringLiteral("Pattern"));
    patternEdit = new LowerCaseEdit(panel6);
    place(patternEdit, 105, 10, 22);
    addpatternbutton = arrowButton(panel6, {}, QStringLiteral("->"), QStyle::SP_ArrowRight, false);
    place(addpatternbutton, 44, 9, 24);
    ComboBoxP = dropDownList(panel6, {});
    place(ComboBoxP, 54, 10, 22);
    removepatternbutton = arrowButton(panel6, {}, QStringLiteral("<-"), QStyle::SP_ArrowLeft, true);
    place(removepatternbutton, 44, 9, 24);

    // Both edits have the light tooltip colour of the design, with black text.
    for (QLineEdit *edit : {static_cast<QLineEdit *>(extEdit), static_cast<QLineEdit *>(patternEdit)})
        Widgets::setLightBase(edit, kListBackground, Qt::black);
}

void TQLForm::buildStatusPanel(QWidget *panel3)
{
    StatusBarFolder = new QLabel(panel3);
    StatusBar = new QLabel(panel3);
    auto *column = new QVBoxLayout(panel3);
    column->setContentsMargins(2, 2, 2, 2);
    column->setSpacing(2);
    for (QLabel *line : {StatusBarFolder, StatusBar}) {
        line->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        line->setTextFormat(Qt::PlainText);
        // A long status text must not widen the window.
        line->setMinimumWidth(1);
        line->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Expanding);
        column->addWidget(line);
    }
}

void TQLForm::buildListView()
{
    ListView = new QTableView(this);
    m_model = new BackupListModel(m_list, this);
    ListView->setModel(m_model);
    ListView->setShowGrid(true);
    ListView->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView->setWordWrap(false);
    ListView->verticalHeader()->hide();
    ListView->verticalHeader()->setDefaultSectionSize(ListView->fontMetrics().height() + 6);
    ListView->horizontalHeader()->setStretchLastSection(false);
    ListView->horizontalHeader()->setHighlightSections(false);
    QPalette pal = ListView->palette();
    pal.setColor(QPalette::Base, kListBackground);
    pal.setColor(QPalette::Text, Qt::black);
    ListView->setPalette(pal);
    ListView->setContextMenuPolicy(Qt::CustomContextMenu);
    // Tab leaves the list for the commands, as everywhere else; the arrows
    // move within it.
    ListView->setTabKeyNavigation(false);
    // The widths of the design until the config file gives the person's own.
    const ProgramConfig design;
    for (int column = 0; column < BackupListModel::ColumnCount; ++column)
        ListView->setColumnWidth(column, design.columnWidths[static_cast<std::size_t>(column)]);

    PopupMenu = new QMenu(ListView);
    SetDateTime1 = PopupMenu->addAction(QStringLiteral("Set Item Options"));
    SetAlltothisDate1 = PopupMenu->addAction(QStringLiteral("Set All to this Date"));
    Remove1 = PopupMenu->addAction(QStringLiteral("Remove"));
    PopupMenu->addSeparator();
    GetFilesBack1 = PopupMenu->addAction(QStringLiteral("Get Files Back..."));
}

} // namespace quillarc
