// Interim until the engine's BackupRun is merged: the window builds and its
// other commands work; the Backup command does nothing yet.
#include "gui/TQLForm.h"

#include "gui/GuiPassUi.h"

namespace quillarc {
TQLForm::~TQLForm() = default;
void TQLForm::RunDeleter::operator()(BackupRun *) const {}
void TQLForm::BackupButtonClick() {}
void TQLForm::StopButtonClick() {}
void TQLForm::abortPass() {}
void TQLForm::buttondisable() {}
void TQLForm::buttonenable() {}
void TQLForm::TimerTimer() {}
void TQLForm::showPassNotice(const PassOutcome &) {}
void TQLForm::setPassCursor(QWidget *, bool) {}
QList<QWidget *> TQLForm::passCommands() const { return {}; }
QList<QWidget *> TQLForm::quietControls() const { return {}; }
} // namespace quillarc
