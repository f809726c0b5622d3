#pragma once

#include <QWidget>

#include <cstdint>

class QLabel;

namespace quillarc {

class TGlossButton;
class TRarBar;

/// The small window shown while the copies on a disk are read back: a
/// gauge of the copies read, how many of how many, the file being read,
/// and STOP. It looks like the pass's progress window and sits where that
/// one does.
class VerifyProgressForm : public QWidget {
    Q_OBJECT
public:
    explicit VerifyProgressForm(const QString &label, QWidget *parent = nullptr);

    void showBeside(const QWidget *mainWindow);
    /// `total` < 0: not known yet.
    void setProgress(std::int64_t read, std::int64_t total, const QString &path);
    /// STOP was pressed: the window says it is stopping until it is closed.
    bool stopping() const { return m_stopping; }

    QLabel *CaptionText;
    QLabel *CountText;
    QLabel *PathText;
    TRarBar *CopiesRarBar;
    TGlossButton *StopButton;

Q_SIGNALS:
    /// STOP, or the window's close box: the verify ends after the copy it
    /// is reading, and what it verified so far is kept.
    void stopRequested();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void stop();

    bool m_stopping = false;
};

} // namespace quillarc
