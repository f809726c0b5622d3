#pragma once

#include <QLineEdit>

namespace quillarc {

/// A one-line edit that turns every letter typed or pasted into lower case
/// and reports Enter, as the filter strip's entry boxes do.
class LowerCaseEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit LowerCaseEdit(QWidget *parent = nullptr);

Q_SIGNALS:
    void enterPressed();

protected:
    void keyPressEvent(QKeyEvent *event) override;
};

} // namespace quillarc
