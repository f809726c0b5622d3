#pragma once

#include <QWidget>

class QLabel;

namespace quillarc {

class TGlossButton;
class TRarBar;

/// The small window shown while files come back, in the look of the
/// pass's progress window: the share of files done, the disk read, STOP.
class RestoreProgressForm : public QWidget {
    Q_OBJECT
public:
    explicit RestoreProgressForm(int files, QWidget *parent = nullptr);

    void showProgress(int finished, const QString &disk);

    QLabel *diskText;
    TRarBar *filesBar;
    TGlossButton *stopButton;

Q_SIGNALS:
    void stopRequested();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    int m_files;
};

} // namespace quillarc
