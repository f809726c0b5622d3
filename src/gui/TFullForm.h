#pragma once

#include "engine/PassUi.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace quillarc {

class DiskFullRules;

/// "Disk Full": asks for a new labelled disk while a pass waits. READY
/// closes it only when the disk in the drive passes every rule; CANCEL
/// closes it only after the user confirms.
class TFullForm : public QDialog {
    Q_OBJECT
public:
    explicit TFullForm(const DiskFullRules &rules, QWidget *parent = nullptr);

    /// How the dialog ended; Cancel until READY has been accepted.
    DiskFullResult outcome() const { return m_outcome; }

    void FormShow();
    void Button1Click(); ///< READY
    void Button2Click(); ///< CANCEL

    QLabel *Label1;
    QLabel *StaticText1;
    QLineEdit *VolumeEdit;
    QPushButton *Button1;
    QPushButton *Button2;

public Q_SLOTS:
    void reject() override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    const DiskFullRules &m_rules;
    DiskFullResult m_outcome = DiskFullResult::Cancel;
};

} // namespace quillarc
