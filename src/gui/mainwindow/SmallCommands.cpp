// The small commands that belong to no other area: the read-me at a first
// start, Help, the home page, e-mail, Links, Font and Resources.
#include "gui/TQLForm.h"

#include "gui/TResourceForm.h"
#include "gui/TStartmenuForm.h"
#include "gui/mainwindow/ContactAddresses.h"
#include "gui/mainwindow/ListFontQt.h"
#include "platform/qt/OpenDocument.h"
#include "platform/qt/TSystemProbe.h"

#include <QTableView>

namespace quillarc {

void TQLForm::TXTTimerTimer()
{
    TXTTimer.stop();
    m_env.openDocument(QString::fromStdString(m_env.dataFolder + "readme.txt"));
}

void TQLForm::HelpbuttonClick()
{
    m_env.openDocument(QString::fromStdString(m_env.dataFolder + "quillarc.html"));
}

void TQLForm::Button3Click()
{
    m_env.openDocument(QString::fromLatin1(kHomePageUrl));
}

void TQLForm::EmailButtonClick()
{
    m_env.openDocument(mailtoLink(QString::fromLatin1(kContactAddress)));
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
    const QFont current = ListView->font();
    if (auto chosen = m_env.chooseFont(this, current)) {
        storeFont(m_config.font, *chosen, qColourOf(m_config.font));
        applyListFont();
    }
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
