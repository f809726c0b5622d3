#pragma once

#include "catalogue/RestorePlan.h"
#include "catalogue/RestoreWriter.h"
#include "gui/DialogOutcome.h"
#include "gui/restore/RestoreRun.h"
#include "platform/RestoreHold.h"

#include <QTimer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QThread;
class QTreeView;

namespace quillarc {

class Catalogue;
class RestoreTreeModel;
class RestoreProgressForm;

/// "Get Files Back": what the catalogue knows, by source path or by disk,
/// with a search, the versions of a file, a date to go back to and where
/// the files go; a preview of what will be written and what is in the way,
/// then the restore with its progress window. While the dialog is open no
/// pass starts on this program folder, so a disk plugged in to be read is
/// not written to first.
class RestoreDialog : public OneUseDialog {
    Q_OBJECT
public:
    struct Setup {
        std::string programFolder; ///< ends in '/'
        std::function<DiskFound()> lookAtDrive;
        /// Today's local date for the names of files put beside ("2026-12-10").
        std::string today;
        /// Chooses the folder to restore into; empty: none chosen.
        std::function<QString(QWidget *parent)> chooseFolder;
    };
    /// Throws CatalogueError when the catalogue cannot be read.
    RestoreDialog(Setup setup, QWidget *parent = nullptr);
    ~RestoreDialog() override;

    /// The plan for what is chosen now, with its settings; false (with a
    /// message shown) when the choice cannot make one.
    bool makePlan(RestorePlan &plan, RestoreSettings &settings);
    /// Fills the preview; the text shown is returned.
    QString preview();
    /// Runs the restore of what is chosen (after the preview is confirmed)
    /// and shows the notice at its end.
    void restore();
    /// The restore in progress, or null.
    RestoreRun *running() const { return m_run; }

    QComboBox *viewChoice;
    QTreeView *tree;
    QLineEdit *findEdit;
    QListWidget *found;
    QListWidget *versions;
    QLineEdit *asOfEdit;
    QRadioButton *originalPlace;
    QRadioButton *intoFolder;
    QLineEdit *folderEdit;
    QPushButton *browseButton;
    QCheckBox *overwriteBox;
    QPlainTextEdit *previewText;
    QPushButton *previewButton;
    QPushButton *restoreButton;
    QPushButton *closeButton;
    RestoreProgressForm *progress() const { return m_progress; }

protected:
    void reject() override;

private:
    void makeControls();
    void layOutControls();
    void connectControls();
    void showView();
    void startFind();
    void showFound(const QString &pattern, const std::vector<CopyEntry> &entries);
    void showVersions(const std::string &sourcePath);
    std::vector<std::string> chosenPaths() const;
    void runEnded();

    Setup m_setup;
    std::unique_ptr<Catalogue> m_catalogue;
    std::unique_ptr<RestoreTreeModel> m_model;
    RestoreHold m_hold;
    QTimer m_findTimer;
    int m_findGeneration = 0;
    std::vector<QThread *> m_finders;
    RestoreRun *m_run = nullptr;
    RestoreProgressForm *m_progress = nullptr;
};

} // namespace quillarc
