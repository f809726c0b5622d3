#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace quillarc {

class TRarBar;
class TSystemProbe;

/// "Resources": five gauges of the machine's state, in percent: memory in
/// use, the three resource pools in use, and the memory load.
class TResourceForm : public QDialog {
    Q_OBJECT
public:
    explicit TResourceForm(QWidget *parent = nullptr);

    /// Sets the gauges from a probe that has just been refreshed.
    void setFromProbe(const TSystemProbe &probe);

    QLabel *StaticText1;
    TRarBar *MemoryRarBar;
    TRarBar *UserRarBar;
    TRarBar *GDIRarBar;
    TRarBar *SystemRarBar;
    TRarBar *LoadRarBar;
    QLabel *StaticText2;
    QLabel *StaticText3;
    QLabel *StaticText4;
    QPushButton *Button1;

protected:
    void showEvent(QShowEvent *event) override;
};

} // namespace quillarc
