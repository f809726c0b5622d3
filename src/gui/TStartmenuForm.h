#pragma once

#include "gui/DialogOutcome.h"

#include "platform/ShellFolders.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;

namespace quillarc {

/// "Insert a link onto the Windows Start Menu": check boxes for a launcher
/// in the Start Menu (in a folder chosen on its tree), in the Quick Launch
/// place and on the Desktop. Outcome 255 = OK, -1 = Cancel.
class TStartmenuForm : public OneUseDialog {
    Q_OBJECT
public:
    /// `programPath` is the program every launcher starts; `folders` are
    /// the places launchers go.
    explicit TStartmenuForm(QWidget *parent = nullptr, QString programPath = {},
                            ShellFolders folders = ShellFolders::ofUser());

    QString ProgramPath() const { return m_programPath; }

    void OKButtonClick();

    QLabel *Memo1;
    QCheckBox *StartmenuCheckBox;
    QCheckBox *QuicklaunchCheckBox;
    QCheckBox *DesktopCheckBox;
    QPushButton *OKButton;
    QPushButton *CancelButton;

public Q_SLOTS:
    void reject() override;

private:
    void CheckBoxClick(QCheckBox *box);

    QString m_programPath;
    ShellFolders m_folders;
};

} // namespace quillarc
