#pragma once

#include <QDialog>

#include "lists/CutOff.h"

class QButtonGroup;
class QGroupBox;
class QPushButton;
class QRadioButton;

namespace quillarc {

/// "Include Folders?": whether a folder item takes its sub-folders along.
/// The caller reads ItemIndex() after the dialog has closed, however it was
/// closed: 0 = include the folders inside ("Yes"), 1 = do not ("No").
class TIncFolderForm : public QDialog {
    Q_OBJECT
public:
    explicit TIncFolderForm(QWidget *parent = nullptr);

    int ItemIndex() const;
    /// The sub-folder flag of the chosen index.
    SubFolders subFolders() const;

    QGroupBox *RadioGroup1;
    QRadioButton *includeChoice;
    QRadioButton *excludeChoice;
    QPushButton *Button1;

protected:
    void showEvent(QShowEvent *event) override;

private:
    QButtonGroup *m_group;
};

} // namespace quillarc
