#pragma once

#include <QDialog>

#include <string>

class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTableView;

namespace quillarc {

class FindFilter;
class FindResultsModel;
class FindSearch;
struct FindAnswer;

/// "Find Files on the Disks": which backup disk holds the newest copy of a
/// file, with none of them plugged in. The table answers as quillarc-pass
/// --find does, and follows the search field as the person types.
class FindDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr const char *kTitle = "Find Files on the Backup Disks";

    FindDialog(const std::string &programFolder, QWidget *parent = nullptr);
    ~FindDialog() override;

    QLineEdit *PatternEdit;
    QCheckBox *WholePathCheck;
    QTableView *ResultsView;
    QLabel *StatusText;
    QPushButton *CloseButton;

    FindResultsModel *results() const { return m_model; }
    FindFilter *filter() const { return m_filter; }
    /// The answer shown is that of the text in the field now.
    bool settled() const { return m_settled; }

private:
    void patternChanged();
    void showAnswer(const FindAnswer &answer);
    void buildTable();

    FindResultsModel *m_model;
    FindFilter *m_filter;
    FindSearch *m_search;
    bool m_settled = true;
};

/// Adds "Find Files on the Disks..." (Ctrl+F) to the window and to the
/// list's context menu; it opens one Find window, or brings it to the front.
class TQLForm;
void attachFindCommand(TQLForm &form, const std::string &programFolder);

} // namespace quillarc
