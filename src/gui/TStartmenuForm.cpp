#include "gui/TStartmenuForm.h"

#include "platform/Folders.h"

#include "gui/Fonts.h"
#include "gui/MemoText.h"
#include "gui/MessageBox.h"
#include "gui/TStartMenuTreeForm.h"
#include "gui/Widgets.h"
#include "platform/Shortcut.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QPushButton>

namespace quillarc {

namespace {

const char *const kExplanation[] = {
    "The program you are using is a simple executable and does not change ",
    "any Windows system files.  Therefore to 'uninstall the program' you can ",
    "use the recycle bin, and the inclusion of an installer would only result in ",
    "the addition of a link to this program on the pop up Windows Start Menu at ",
    "the expense of doubling the size of the program download.  ",
    "By checkmarking the boxes below and then pressing the OK button you ",
    "can add a start up link to this program in any place you select.",
    "",
    "If you choose to place the link on the Start Menu then an Explorer type list ",
    "of the available folders on the Start Menu will appear.  Open and ",
    "Highlight the folder of your choice and the shortcut to start the program ",
    "will be placed within this folder.",
    "",
    "If you 'uninstall' this program by deleting it from your drive, find the",
    "shortcuts you created here and using the right side mouse button (rather ",
    "than the usual left button) and right click on the link and then from the pop ",
    "up menu that appears choose 'Delete' to remove this shortcut from your ",
    "computer.",
};

} // namespace

TStartmenuForm::TStartmenuForm(QWidget *parent, QString programPath, ShellFolders folders)
    : OneUseDialog(parent, Widgets::dialogFlags()),
      m_programPath(programPath.isEmpty() ? QCoreApplication::applicationFilePath() : std::move(programPath)),
      m_folders(std::move(folders))
{
    setWindowTitle(QStringLiteral("Insert a link onto the Windows Start Menu"));
    setFixedSize(536, 443);
    setFont(Fonts::sans(13, true));
    // Green text on the light tooltip colour of the design, under any theme.
    Widgets::setBackground(this, Widgets::lightTooltip());
    Widgets::setTextColour(this, QColor(0, 128, 0));

    Memo1 = new QLabel(this);
    Memo1->setGeometry(8, 8, 505, 297);
    Memo1->setWordWrap(true);
    Memo1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Memo1->setFont(Fonts::sans(12, true));
    QStringList lines;
    for (const char *line : kExplanation)
        lines << QString::fromLatin1(line);
    Memo1->setText(memoText(lines, QFontMetrics(Memo1->font()), 505));

    auto box = [&](const QString &text, const QRect &geometry, bool checked) {
        auto *check = new QCheckBox(text, this);
        // Wide enough for the caption in the desktop's face.
        check->setGeometry(geometry.x(), geometry.y(), 536 - 8 - geometry.x(), geometry.height() + 4);
        check->setFont(Fonts::sans(12, true));
        check->setChecked(checked);
        connect(check, &QCheckBox::clicked, this, [this, check] { CheckBoxClick(check); });
        return check;
    };
    StartmenuCheckBox = box(QStringLiteral("Check  this box to add a link to the Pop up Windows Start Menu"),
                            QRect(56, 320, 457, 17), true);
    QuicklaunchCheckBox = box(QStringLiteral("Check  this box to add a link to the Quick Launch Toolbar"),
                              QRect(56, 344, 417, 17), false);
    DesktopCheckBox =
        box(QStringLiteral("Check  this box to add a link on the Desktop"), QRect(56, 368, 329, 17), false);

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setGeometry(144, 404, 75, 25);
    OKButton->setDefault(true);
    CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    CancelButton->setGeometry(312, 404, 75, 25);
    for (QPushButton *b : {OKButton, CancelButton})
        Widgets::useDesktopColours(b);
    connect(OKButton, &QPushButton::clicked, this, &TStartmenuForm::OKButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &TStartmenuForm::reject);
}

void TStartmenuForm::CheckBoxClick(QCheckBox *box)
{
    if (box->isChecked())
        OKButton->setEnabled(true);
    else if (!StartmenuCheckBox->isChecked() && !QuicklaunchCheckBox->isChecked() && !DesktopCheckBox->isChecked())
        OKButton->setEnabled(false);
}

void TStartmenuForm::OKButtonClick()
{
    const std::string target = m_programPath.toStdString();
    if (DesktopCheckBox->isChecked()) {
        // The desktop's own folder is never made here: a desktop that shows
        // no icons has none, and a folder made up would show nothing.
        const QString desktop = QString::fromStdString(m_folders.desktop);
        if (desktop.isEmpty())
            MessageBox::notice(this, QStringLiteral("THIS ACCOUNT HAS NO DESKTOP FOLDER.  THE LINK ON THE DESKTOP WAS "
                                                    "NOT CREATED."));
        else if (!QFileInfo(desktop).isDir())
            MessageBox::notice(this, QStringLiteral("THE DESKTOP FOLDER %1 DOES NOT EXIST.  THE LINK ON THE DESKTOP "
                                                    "WAS NOT CREATED.")
                                         .arg(desktop));
        else
            CreateShortcut(target, ShortcutLocation::Desktop, {}, m_folders);
    }
    if (QuicklaunchCheckBox->isChecked())
        CreateShortcut(target, ShortcutLocation::QuickLaunch, {}, m_folders);
    if (StartmenuCheckBox->isChecked()) {
        const QString folder = QString::fromStdString(m_folders.startMenu);
        if (folder.isEmpty()) {
            MessageBox::notice(this, QStringLiteral("Windows returned an error when trying to locate the Start Menu "
                                                    "directory.  The link to this program was not created."));
        } else {
            // A fresh account may not have its applications folder yet; the
            // launcher would otherwise be lost without a word.
            try {
                makeFolders(folder.toStdString());
            } catch (const std::exception &) {
                // CreateShortcut reports a folder it cannot write to.
            }
            TStartMenuTreeForm tree(this);
            tree.CreateTreeView(folder);
            if (tree.exec() != TStartMenuTreeForm::Cancelled)
                CreateShortcut(target, ShortcutLocation::StartMenu, tree.StartMenuSubFolder().toStdString(), m_folders);
        }
    }
    done(Accepted);
}

void TStartmenuForm::reject()
{
    done(Cancelled);
}

} // namespace quillarc
