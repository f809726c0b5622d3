#include "platform/qt/OpenDocument.h"

#include "support/ChildRun.h"
#include "support/TempFolder.h"
#include "platform/support/QtApp.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace quillarc {

using namespace std::chrono_literals;

namespace {

/// Puts a folder of the test's own in front of nothing else on PATH.
class PathOnly {
public:
    explicit PathOnly(const std::string &folder)
    {
        if (const char *old = std::getenv("PATH"))
            m_old = old;
        ::setenv("PATH", folder.c_str(), 1);
    }
    ~PathOnly() { ::setenv("PATH", m_old.c_str(), 1); }

private:
    std::string m_old;
};

} // namespace

TEST(OpenDocument, HandsTheTargetToXdgOpen)
{
    test::ensureCoreApplication();
    test::TempFolder dir;
    const std::string script = dir / "xdg-open";
    test::writeFile(script, "#!/bin/sh\nprintf '%s|%s' \"$#\" \"$1\" > '" + dir.folder() + "/opened.tmp'\nmv '" +
                                dir.folder() + "/opened.tmp' '" + dir.folder() + "/opened'\n");
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    PathOnly path(dir.folder() + ":/usr/bin:/bin");

    const QString mail = mailtoLink("ann@example.org");
    EXPECT_EQ(mail, "mailto:ann@example.org?subject=Quillarc");
    QString error;
    ASSERT_TRUE(openDocument(mail, &error)) << error.toStdString();
    ASSERT_TRUE(test::waitForFile(dir / "opened", 5s));
    EXPECT_EQ(test::readFile(dir / "opened"), "1|mailto:ann@example.org?subject=Quillarc");
}

TEST(OpenDocument, MissingOpenerGivesAMessage)
{
    test::ensureCoreApplication();
    test::TempFolder empty;
    PathOnly path(empty.folder());
    QString error;
    EXPECT_FALSE(openDocument("/opt/quillarc/readme.txt", &error));
    EXPECT_TRUE(error.contains("/opt/quillarc/readme.txt")) << error.toStdString();
    EXPECT_FALSE(openDocument("", &error));
    EXPECT_FALSE(error.isEmpty());
}

} // namespace quillarc
