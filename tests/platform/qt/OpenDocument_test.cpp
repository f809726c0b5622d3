#include "platform/qt/OpenDocument.h"

#include "support/ChildRun.h"
#include "support/TempFolder.h"
#include "platform/support/QtApp.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <chrono>
#include <cstdlib>
#include <optional>
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

/// Runs the event loop until `done` holds or a generous deadline passes.
template <class Done>
bool waitFor(Done done)
{
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (!done() && std::chrono::steady_clock::now() < deadline)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    return done();
}

void writeOpener(const test::TempFolder &dir, const std::string &body)
{
    const std::string script = dir / "xdg-open";
    test::writeFile(script, "#!/bin/sh\n" + body);
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
}

} // namespace

TEST(OpenDocument, SaysWhyNothingOpened)
{
    test::ensureCoreApplication();
    std::optional<QString> message;
    const auto said = [&message](const QString &text) { message = text; };

    // A file that is not there is named at once.
    openDocumentOrSay("/opt/nowhere/quillarc.html", said);
    ASSERT_TRUE(message.has_value());
    EXPECT_TRUE(message->contains("/opt/nowhere/quillarc.html - THE FILE DOES NOT EXIST")) << message->toStdString();

    // xdg-open finds no program for a link (its exit code 3).
    test::TempFolder dir;
    writeOpener(dir, "exit 3\n");
    {
        PathOnly path(dir.folder() + ":/usr/bin:/bin");
        message.reset();
        openDocumentOrSay("mailto:ann@example.org?subject=Quillarc", said);
        ASSERT_TRUE(waitFor([&] { return message.has_value(); }));
        EXPECT_TRUE(message->contains("NO PROGRAM ON THIS COMPUTER OPENS IT")) << message->toStdString();
    }

    // No xdg-open at all.
    test::TempFolder empty;
    {
        PathOnly path(empty.folder());
        message.reset();
        openDocumentOrSay("https://quillarc.org/", said);
        ASSERT_TRUE(waitFor([&] { return message.has_value(); }));
        EXPECT_TRUE(message->contains("PLEASE INSTALL XDG-UTILS")) << message->toStdString();
    }
}

TEST(OpenDocument, SaysNothingWhenItOpened)
{
    test::ensureCoreApplication();
    test::TempFolder dir;
    writeOpener(dir, "touch '" + dir.folder() + "/opened'\nexit 0\n");
    PathOnly path(dir.folder() + ":/usr/bin:/bin");
    bool said = false;
    openDocumentOrSay("https://quillarc.org/", [&said](const QString &) { said = true; });
    ASSERT_TRUE(test::waitForFile(dir / "opened", 30s));
    // The opener ends just after; its good end says nothing.
    const auto until = std::chrono::steady_clock::now() + 2s;
    while (std::chrono::steady_clock::now() < until)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_FALSE(said);
}

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
