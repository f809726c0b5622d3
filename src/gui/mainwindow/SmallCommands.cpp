// The small commands that belong to no other area: the read-me at a first
// start, Help, the home page, e-mail, Links, Font and Resources.
#include "gui/TQLForm.h"

#include "gui/mainwindow/MainWindowUi.h"

#include "gui/MessageBox.h"
#include "gui/TResourceForm.h"
#include "gui/TStartmenuForm.h"
#include "gui/mainwindow/ContactAddresses.h"
#include "gui/mainwindow/ListFontQt.h"
#include "platform/qt/OpenDocument.h"
#include "platform/qt/TSystemProbe.h"

#include <QPointer>
#include <QTableView>

namespace quillarc {

void TQLForm::openOrSay(const QString &target, const QString &instead)
{
    // The window may be gone by the time a slow opener gives up.
    QPointer<TQLForm> window(this);
    m_env.openDocument(target, [window, instead](const QString &message) {
        if (window)
            MessageBox::notice(window, instead.isEmpty() ? message : message + QLatin1Char('\r') + instead);
    });
}

void TQLForm::TXTTimerTimer()
{
    m_ui->TXTTimer.stop();
    openOrSay(QString::fromStdString(m_env.dataFolder + "readme.txt"));
}

void TQLForm::HelpbuttonClick()
{
    openOrSay(QString::fromStdString(m_env.dataFolder + "quillarc.html"));
}

void TQLForm::Button3Click()
{
    const QString page = QString::fromLatin1(kHomePageUrl);
    openOrSay(page, QStringLiteral("THE HOME PAGE IS ") + page);
}

void TQLForm::EmailButtonClick()
{
    const QString address = QString::fromLatin1(kContactAddress);
    openOrSay(mailtoLink(address), QStringLiteral("PLEASE WRITE TO ") + address);
}

void TQLForm::Button1Click()
{
    {
        TStartmenuForm links(this, m_env.programPath, m_env.shellFolders);
        links.exec();
    }
    refreshFreeSpaceIfLabelled();
}

void TQLForm::Button2Click()
{
    const QFont current = m_ui->ListView->font();
    if (auto chosen = m_env.chooseFont(this, current, qColourOf(m_session.config().font))) {
        ListFont font = m_session.config().font;
        storeFont(font, chosen->font, chosen->colour);
        m_session.setListFont(font);
        applyListFont();
    }
    // Back to the list the font was chosen for, not to the first field.
    m_ui->ListView->setFocus(Qt::OtherFocusReason);
}

void TQLForm::RestoreButtonClick()
{
    {
        TResourceForm form(this);
        m_probe->Refresh();
        form.setFromProbe(*m_probe);
        form.exec();
    }
    refreshFreeSpaceIfLabelled();
}

} // namespace quillarc
