// The window from the keyboard alone: every command reachable with Tab and
// pressed with Space or Enter, with a focus frame that shows where the focus
// is; the commands used most on keys of their own, named in their tooltips;
// and a whole pass, from adding a folder to leaving the program, without a
// mouse.
#include "GuiTestHelpers.h"
#include "HeldVolumeHost.h"
#include "MainWindowRig.h"
#include "ModalScript.h"
#include "gui/FileDialog.h"
#include "gui/MessageBox.h"
#include "gui/TDatePickForm.h"
#include "gui/TIncFolderForm.h"
#include "gui/TProgressForm.h"
#include "gui/controls/TGlossButton.h"
#include "gui/mainwindow/ContextMenus.h"
#include "lists/BackupList.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTableView>
#include <QToolButton>
#include <QTest>

#include <memory>
#include <set>
#include <stdexcept>

using namespace quillarc;

namespace {

constexpr int kPassTimeoutMs = 30000;

QList<TGlossButton *> glossCommands(TQLForm &form)
{
    return {form.ui().AddFileButton, form.ui().AddButton,  form.ui().BackupButton, form.ui().Helpbutton,
            form.ui().exitButton,    form.ui().Button1,    form.ui().button2,      form.ui().RestoreButton,
            form.ui().Button3,       form.ui().EmailButton};
}

bool activate(QWidget &window)
{
    window.activateWindow();
    QApplication::setActiveWindow(&window);
    return QTest::qWaitForWindowActive(&window);
}

// Presses Tab until `target` has the focus; false when the chain never
// reaches it.
bool tabTo(QWidget &window, QWidget *target)
{
    for (int i = 0; i < 60 && QApplication::focusWidget() != target; ++i)
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &window, Qt::Key_Tab);
    return QApplication::focusWidget() == target;
}

} // namespace

class KeyboardTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void everyGlossCommandTakesTheFocusAndShowsIt();
    void spaceAndEnterPressAFocusedButton();
    void commandKeysAreNamedInTheTooltips();
    void stopAndAbortFromTheKeyboard();
    void aWholePassWithoutAMouse();
    void aWindowThatHooksInAddsItsMenuEntries();
};

void KeyboardTest::everyGlossCommandTakesTheFocusAndShowsIt()
{
    MainWindowRig rig;
    const QString drive = rig.addDrive("d", "BACKUP1");
    rig.writeConfig(drive);
    writeList(rig, "BACKUP1", record(rig.source, "Yes", true));
    MessageBox::Script boxes;
    OpenWindow window(rig);
    QVERIFY(activate(window.form));
    window.form.ui().SetCDButton->setFocus(Qt::TabFocusReason);
    for (TGlossButton *button : glossCommands(window.form)) {
        QVERIFY2(tabTo(window.form, button), qPrintable(button->Caption()));
        // The focus frame: the focused button does not look as it does
        // without the focus.
        const QImage focused = button->grab().toImage();
        button->clearFocus();
        QVERIFY2(focused != button->grab().toImage(), qPrintable(button->Caption()));
        button->setFocus(Qt::TabFocusReason);
    }
}

void KeyboardTest::spaceAndEnterPressAFocusedButton()
{
    TGlossButton button;
    button.setCaption(QStringLiteral("Backup"));
    button.resize(94, 41);
    QSignalSpy clicks(&button, &TGlossButton::clicked);
    QTest::keyPress(&button, Qt::Key_Space);
    QCOMPARE(button.mouseState(), TGlossButton::MouseState::Pressed); // looks pressed while held
    QCOMPARE(clicks.count(), 0);
    QTest::keyRelease(&button, Qt::Key_Space);
    QCOMPARE(clicks.count(), 1);
    QTest::keyClick(&button, Qt::Key_Return);
    QTest::keyClick(&button, Qt::Key_Enter);
    QCOMPARE(clicks.count(), 3);
    button.setEnabled(false);
    QTest::keyClick(&button, Qt::Key_Space);
    QTest::keyClick(&button, Qt::Key_Return);
    QCOMPARE(clicks.count(), 3);
}

void KeyboardTest::commandKeysAreNamedInTheTooltips()
{
    MainWindowRig rig;
    rig.writeConfig(QStringLiteral("Choose backup CD"));
    MessageBox::Script boxes;
    OpenWindow window(rig);
    const QList<TQLForm::CommandKey> keys = window.form.commandKeys();
    std::set<QString> seen;
    for (const TQLForm::CommandKey &key : keys) {
        const QString text = key.keys.toString(QKeySequence::NativeText);
        QVERIFY2(seen.insert(text).second, qPrintable(text + " is given twice"));
        QVERIFY2(key.control->toolTip().contains(text), qPrintable(key.control->toolTip()));
    }
    // The hint the command always had comes first.
    QVERIFY(window.form.ui().StopButton->toolTip().startsWith(
        "COMPLETE THIS FOLDER AND THEN STOP.  TO FORCE STOP PRESS ABORT. ("));
    QVERIFY(activate(window.form));
    QTest::keyClick(&window.form, Qt::Key_F1);
    QCOMPARE(rig.opened, QStringList {rig.dataFolder + "quillarc.html"});
}

void KeyboardTest::stopAndAbortFromTheKeyboard()
{
    MainWindowRig rig;
    const QString drive = rig.addDrive("d", "BACKUP1");
    rig.writeConfig(drive);
    rig.writeSource("a.txt", "bytes");
    writeList(rig, "BACKUP1", record(rig.source, "Yes", true));
    MessageBox::Script boxes;
    HeldVolumeHost held(rig.host);
    MainWindowEnvironment env = rig.environment();
    env.host = &held;
    OpenWindow window(std::move(env));
    TQLForm &form = window.form;
    const auto letThePassGo = qScopeGuard([&] { held.release(); });
    QVERIFY(activate(form));
    QTest::keyClick(&form, Qt::Key_B, Qt::ControlModifier);
    QVERIFY(QTest::qWaitFor([&] { return held.held(); }, kPassTimeoutMs));
    QVERIFY(form.BackupRunning());

    // STOP on its key, in the main window: the pass takes it (STOP is
    // then spent).
    QVERIFY(form.ui().StopButton->isEnabled());
    QTest::keyClick(&form, Qt::Key_T, Qt::ControlModifier);
    QVERIFY(!form.ui().StopButton->isEnabled());

    // ABORT, in the progress window, is reached with Tab like any button.
    TProgressForm *progress = form.progressForm();
    QVERIFY(activate(*progress));
    progress->setFocus(Qt::OtherFocusReason);
    QVERIFY(tabTo(*progress, progress->AbortButton));
    QSignalSpy aborts(progress, &TProgressForm::abortRequested);
    QTest::keyClick(progress->AbortButton, Qt::Key_Space);
    QCOMPARE(aborts.count(), 1);
    held.release();
    QVERIFY(QTest::qWaitFor([&] { return !form.BackupRunning(); }, kPassTimeoutMs));
    QCOMPARE(form.ui().StatusBarFolder->text(), QStringLiteral("Folder Scan Aborted..."));
}

void KeyboardTest::aWholePassWithoutAMouse()
{
    MainWindowRig rig;
    const QString drive = rig.addDrive("d", "BACKUP1");
    rig.writeConfig(drive);
    rig.writeSource("docs/a.txt", "first");
    rig.writeSource("docs/b.txt", "second");
    writeList(rig, "BACKUP1", record(rig.source + "/none", "Yes", true));
    MessageBox::Script boxes;
    FileDialog::Script files;
    OpenWindow window(rig);
    TQLForm &form = window.form;
    QVERIFY(activate(form));

    // Add Folder on its key; each dialog answered with Enter.
    files.answer(rig.source + "/docs");
    ModalScript script;
    script.then<TDatePickForm>([](TDatePickForm &date) { QTest::keyClick(&date, Qt::Key_Return); });
    script.then<TIncFolderForm>([](TIncFolderForm &include) { QTest::keyClick(&include, Qt::Key_Return); });
    QTest::keyClick(&form, Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier);
    QVERIFY(script.done());
    QCOMPARE(form.list().count(), std::size_t {2});

    // The item that names nothing goes with Delete in the list.
    form.ui().ListView->setFocus(Qt::TabFocusReason);
    const QAbstractItemModel *model = form.ui().ListView->model();
    form.selectIndex(model->index(0, 0).data().toString().endsWith("/none") ? 0 : 1);
    boxes.answer(true);
    QVERIFY(activate(form));
    QTest::keyClick(form.ui().ListView, Qt::Key_Delete);
    QCOMPARE(form.list().count(), std::size_t {1});
    QCOMPARE(form.ui().ListView->model()->index(0, 0).data().toString(), rig.source + "/docs");

    // Tab, from the list, to Backup, and press it.
    QVERIFY(tabTo(form, form.ui().BackupButton));
    QTest::keyClick(form.ui().BackupButton, Qt::Key_Space);
    QVERIFY(QTest::qWaitFor([&] { return !form.BackupRunning(); }, kPassTimeoutMs));
    QCOMPARE(form.ui().StatusBar->text(), QStringLiteral("Complete...  2 Files Found and Backed Up"));
    QVERIFY(QFile::exists(drive + "medium" + rig.source + "/docs/a.txt"));

    // And out, on Exit's key: the config and the list are saved.
    QVERIFY(activate(form));
    QSignalSpy ended(&form, &TQLForm::programEnded);
    QTest::keyClick(&form, Qt::Key_Q, Qt::ControlModifier);
    QCOMPARE(ended.count(), 1);
    QVERIFY(rig.programFile("BACKUP1.ini").contains("docs"));
}

// Find, Verify and Get Files Back hook into the window: their entries join
// the list's menu and the label field's, and run under the window's error
// handler like the window's own.
void KeyboardTest::aWindowThatHooksInAddsItsMenuEntries()
{
    MainWindowRig rig;
    const QString drive = rig.addDrive("d", "BACKUP1");
    rig.writeConfig(drive);
    writeList(rig, "BACKUP1", record(rig.source + "/none", "Yes", true));
    MessageBox::Script boxes;
    OpenWindow window(rig);
    TQLForm &form = window.form;
    boxes.take();

    int ran = 0;
    QAction *entry = form.menus().addListEntry(QStringLiteral("Find a File"), [&ran] {
        ++ran;
        throw std::runtime_error("THE CATALOGUE COULD NOT BE READ");
    });
    QCOMPARE(form.ui().PopupMenu->actions().last(), entry);
    QCOMPARE(form.ui().PopupMenu->actions().first(), form.ui().SetDateTime1);
    entry->trigger();
    QCOMPARE(ran, 1);
    QCOMPARE(texts(boxes.take()), QStringList {"THE CATALOGUE COULD NOT BE READ."});

    form.menus().addLabelEntries([](QMenu &menu) { menu.addAction(QStringLiteral("Get Files Back")); });
    const std::unique_ptr<QMenu> label(form.menus().labelMenu());
    const QList<QAction *> entries = label->actions();
    QCOMPARE(entries.last()->text(), QStringLiteral("Get Files Back"));
    const auto autoBackup = std::find_if(entries.begin(), entries.end(), [](const QAction *action) {
        return action->text() == QLatin1String("Back up when this disk is mounted");
    });
    QVERIFY2(autoBackup != entries.end() && autoBackup != entries.begin(), "the field's usual entries come first");
}

QTEST_MAIN(KeyboardTest)
#include "keyboard_test.moc"
