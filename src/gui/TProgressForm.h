#pragma once

#include <QWidget>

class QLabel;

namespace quillarc {

class PassFlag;
class TGlossButton;
class TRarBar;

/// The small always-on-top window shown during a backup pass: one gauge for
/// the items sized so far, one for the folder being copied, and ABORT. It
/// lives as long as the program and is shown and hidden per pass.
class TProgressForm : public QWidget {
    Q_OBJECT
public:
    /// `abortFlag` is the pass's abort flag, set by ABORT; it may be given
    /// later with setAbortFlag.
    explicit TProgressForm(QWidget *parent = nullptr, PassFlag *abortFlag = nullptr);

    void setAbortFlag(PassFlag *abortFlag) { m_abortFlag = abortFlag; }

    /// Places the window with its right edge on the main window's right edge
    /// and its top 20 pixels below the main window's top, resets the folder
    /// gauge and shows the window in front.
    void showBeside(const QWidget *mainWindow);
    /// Hides the window, if shown, so that it does not cover a message.
    void RemoveProgressForm();

    /// Number of checked items of the pass: the denominator of the total
    /// gauge.
    int itemCount() const { return m_itemCount; }
    void setItemCount(int count) { m_itemCount = count; }

    void AbortButtonClick();

    QLabel *StaticText1;
    QLabel *StaticText2;
    TRarBar *TotalRarBar;
    TRarBar *FolderRarBar;
    TGlossButton *AbortButton;

protected:
    void closeEvent(QCloseEvent *event) override;

Q_SIGNALS:
    /// ABORT was pressed (after the abort flag was set).
    void abortRequested();

private:
    void placeBeside();

    PassFlag *m_abortFlag;
    const QWidget *m_mainWindow = nullptr;
    bool m_shownBefore = false;
    int m_itemCount = 0;
};

} // namespace quillarc
