#include "platform/qt/TRunOnce.h"

#include "support/ChildRun.h"
#include "support/TempFolder.h"
#include "platform/support/QtApp.h"

#include <QCoreApplication>
#include <QFile>

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace quillarc {

using namespace std::chrono_literals;

TEST(RunOnceBlock, EncodesAndDecodesTheCommandLine)
{
    const QStringList arguments = {"alpha", "", "with blank", QString::fromUtf8("\xc3\xbcn\xc3\xaf")};
    const QByteArray block = TRunOnce::encodeCommandLine("/opt/q/quillarc", arguments);
    EXPECT_EQ(block, QByteArray("/opt/q/quillarc\0alpha\0\0with blank\0\xc3\xbcn\xc3\xaf\0\0", 41));
    EXPECT_EQ(TRunOnce::decodeCommandLine(block), QStringList({"/opt/q/quillarc"}) + arguments);
    EXPECT_EQ(TRunOnce::decodeCommandLine(QByteArray("/p\0\0", 4)), QStringList({"/p"}));
    const QByteArray fullest = TRunOnce::encodeCommandLine("/p", {QString(65531, 'a')});
    ASSERT_EQ(fullest.size(), TRunOnce::kMaxCommandLineBytes);
    EXPECT_TRUE(TRunOnce::decodeCommandLine(fullest));

    const QByteArray bad[] = {QByteArray(),          QByteArray("\0", 1),
                              QByteArray("\0\0", 2), QByteArray("/p\0", 3),
                              QByteArray("/p"),      QByteArray(70000, 'a') + QByteArray("\0\0", 2)};
    for (const auto &malformed : bad)
        EXPECT_FALSE(TRunOnce::decodeCommandLine(malformed)) << malformed.left(20).toStdString();
}

namespace {

struct Recorder {
    std::vector<int> exits;
    QStringList errors;

    TRunOnce::Options options(const std::string &folder, const QString &program, QStringList args = {})
    {
        TRunOnce::Options o;
        o.programPath = program;
        o.arguments = args;
        o.argumentsGiven = true;
        o.socketFolder = QString::fromStdString(folder);
        o.endProgram = [this](int code) { exits.push_back(code); };
        o.reportError = [this](const QString &text) { errors << text; };
        return o;
    }
};

} // namespace

TEST(RunOnce, SameUpperCasedNameMeansSameProgram)
{
    test::ensureCoreApplication();
    test::TempFolder dir;
    Recorder r;
    TRunOnce first(r.options(dir.folder(), "/opt/a/quillarc"), nullptr);
    TRunOnce again(r.options(dir.folder(), "/elsewhere/QuillArc"), nullptr);
    TRunOnce other(r.options(dir.folder(), "/opt/a/quillarc-copy"), nullptr);
    EXPECT_EQ(first.InstanceName(), "QUILLARC");
    EXPECT_TRUE(first.isFirst());
    EXPECT_FALSE(again.isFirst());
    EXPECT_TRUE(other.isFirst());
    EXPECT_TRUE(r.errors.isEmpty()) << r.errors.join('\n').toStdString();
}

TEST(RunOnce, LaterCopyEndsEvenWithoutAnswer)
{
    test::ensureCoreApplication();
    test::TempFolder dir;
    Recorder r;
    TRunOnce first(r.options(dir.folder(), "/opt/quillarc"), nullptr); // holds the lock, never listens
    TRunOnce later(r.options(dir.folder(), "/opt/quillarc", {"x"}), nullptr);
    later.Loaded();
    EXPECT_EQ(r.exits, std::vector<int> {0});
    EXPECT_TRUE(r.errors.isEmpty());
}

TEST(RunOnce, OverlongCommandLineIsReportedAndEnds)
{
    test::ensureCoreApplication();
    test::TempFolder dir;
    Recorder r;
    TRunOnce first(r.options(dir.folder(), "/opt/quillarc"), nullptr);
    first.Loaded();
    int delivered = 0;
    first.OnOtherInstance = [&](TRunOnce *, std::uint32_t, const QStringList &) { ++delivered; };
    // Path (13) + NUL + 65521 + NUL + final NUL = 65537 bytes: one too many.
    TRunOnce later(r.options(dir.folder(), "/opt/quillarc", {QString(65521, 'a')}), nullptr);
    later.Loaded();
    EXPECT_EQ(r.exits, std::vector<int> {1});
    ASSERT_EQ(r.errors.size(), 1);
    EXPECT_TRUE(r.errors[0].contains("too long")) << r.errors[0].toStdString();
    QCoreApplication::processEvents();
    EXPECT_EQ(delivered, 0);
}

TEST(RunOnce, UnusableLockFolderRunsUnguardedAndSaysSo)
{
    test::ensureCoreApplication();
    Recorder r;
    TRunOnce copy(r.options("/nonexistent/quillarc-folder", "/opt/quillarc"), nullptr);
    EXPECT_TRUE(copy.isFirst());
    copy.Loaded();
    EXPECT_TRUE(r.exits.empty());
    ASSERT_EQ(r.errors.size(), 1);
    EXPECT_TRUE(r.errors[0].contains("/nonexistent/quillarc-folder"));
}

// Real copies of this test binary: the disabled test below is one start of
// the program. The first copy writes <tag>.ready and then what it receives.
namespace {

const char *const kDir = "QUILLARC_RUNONCE_DIR";
const char *const kTag = "QUILLARC_RUNONCE_TAG";
const char *const kArgs = "QUILLARC_RUNONCE_ARGS";

test::Spawned startCopy(const std::string &program, const std::string &dir, const std::string &tag,
                        const std::string &args = "")
{
    return test::Spawned(program, {},
                         test::childEnvironment("RunOnceCopyStart", {{kDir, dir}, {kTag, tag}, {kArgs, args}}));
}

} // namespace

QUILLARC_TEST_CHILD(RunOnceCopyStart)
{
    ASSERT_TRUE(std::getenv(kDir) && std::getenv(kTag) && std::getenv(kArgs));
    test::ensureCoreApplication();
    const std::string dir = std::getenv(kDir);
    const std::string tag = std::getenv(kTag);
    TRunOnce::Options options;
    options.socketFolder = QString::fromStdString(dir);
    const QString args = QString::fromUtf8(std::getenv(kArgs));
    options.arguments = args.isEmpty() ? QStringList() : args.split('|');
    options.argumentsGiven = true;
    TRunOnce guard(options, nullptr);
    bool received = false;
    guard.OnOtherInstance = [&](TRunOnce *, std::uint32_t count, const QStringList &texts) {
        test::writeFile(dir + "/" + tag + ".received", std::to_string(count) + "\n" + texts.join('\n').toStdString());
        received = true;
    };
    guard.Loaded(); // a later copy ends in here
    test::writeFile(dir + "/" + tag + ".ready", "");
    test::processEventsUntil([&] { return received || ::access((dir + "/stop").c_str(), F_OK) == 0; }, 15s);
}

TEST(RunOnceCopy, SecondStartHandsOverItsCommandLineAndEnds)
{
    test::TempFolder dir;
    auto first = startCopy(test::selfPath(), dir.folder(), "first");
    ASSERT_TRUE(test::waitForFile(dir / "first.ready", 10s)) << first.output();

    auto second = startCopy(test::selfPath(), dir.folder(), "second", "alpha||with blank|\xc3\xbcn\xc3\xaf");
    EXPECT_EQ(second.wait(10s), 0) << second.output();
    EXPECT_FALSE(std::filesystem::exists(dir / "second.ready"));

    ASSERT_TRUE(test::waitForFile(dir / "first.received", 5s)) << first.output();
    EXPECT_EQ(test::readFile(dir / "first.received"),
              "4\n" + test::selfPath() + "\nalpha\n\nwith blank\n\xc3\xbcn\xc3\xaf");
    EXPECT_EQ(first.wait(10s), 0);
}

TEST(RunOnceCopy, CrashedFirstCopyDoesNotBlockLaterStarts)
{
    test::TempFolder dir;
    auto crashed = startCopy(test::selfPath(), dir.folder(), "crashed");
    ASSERT_TRUE(test::waitForFile(dir / "crashed.ready", 10s)) << crashed.output();
    crashed.kill(); // SIGKILL: the socket file stays behind
    EXPECT_TRUE(std::filesystem::exists(dir / ("PLATFORM_TESTS-" + std::to_string(::geteuid()))));

    auto next = startCopy(test::selfPath(), dir.folder(), "next");
    ASSERT_TRUE(test::waitForFile(dir / "next.ready", 10s)) << next.output();
    auto later = startCopy(test::selfPath(), dir.folder(), "later", "x");
    EXPECT_EQ(later.wait(10s), 0) << later.output();
    ASSERT_TRUE(test::waitForFile(dir / "next.received", 5s)) << next.output();
    EXPECT_EQ(test::readFile(dir / "next.received"), "1\n" + test::selfPath() + "\nx");
}

TEST(RunOnceCopy, CopiesUnderDifferentFileNamesBothRun)
{
    // Inside the build folder, so that a hard link to the binary is possible.
    test::TempFolder dir(QUILLARC_BINARY_DIR);
    const std::string other = dir / "quillarc-other";
    std::error_code error;
    std::filesystem::create_hard_link(test::selfPath(), other, error);
    if (error)
        std::filesystem::copy_file(test::selfPath(), other);

    auto a = startCopy(test::selfPath(), dir.folder(), "a");
    auto b = startCopy(other, dir.folder(), "b");
    EXPECT_TRUE(test::waitForFile(dir / "a.ready", 10s)) << a.output();
    EXPECT_TRUE(test::waitForFile(dir / "b.ready", 10s)) << b.output();
    test::writeFile(dir / "stop", "");
    EXPECT_EQ(a.wait(10s), 0) << a.output();
    EXPECT_EQ(b.wait(10s), 0) << b.output();
}

} // namespace quillarc
