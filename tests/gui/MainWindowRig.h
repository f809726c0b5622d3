#pragma once

// A main window on temporary folders: a program folder, a data folder, and
// backup drives that are folders of a simulated volume host, whose media
// the test puts in, takes out and announces through a scripted source of
// media events.
#include "FixedClock.h"
#include "gui/TQLForm.h"
#include "gui/controls/TGlossButton.h"
#include "gui/mainwindow/FilterStrip.h"
#include "gui/mainwindow/MainWindowUi.h"
#include "gui/mainwindow/MainWindowEnvironment.h"
#include "lists/DateTimeText.h"
#include "platform/qt/ChangeNotifySource.h"
#include "platform/qt/TSHChangeNotify.h"
#include "support/SimulatedVolumeHost.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace quillarc {

/// Media events as the mount-table watch would raise them, on demand.
class ScriptedMediaSource : public ChangeNotifySource {
public:
    struct Shared {
        Deliver deliver;
        int messageNo = 0;
        QStringList watched;
    };
    explicit ScriptedMediaSource(std::shared_ptr<Shared> shared) : m_shared(std::move(shared)) {}
    bool registerFor(std::uint32_t, int messageNo, Deliver deliver) override
    {
        m_shared->deliver = std::move(deliver);
        m_shared->messageNo = messageNo;
        return true;
    }
    void deregister() override { m_shared->deliver = nullptr; }
    void setWatchedRoots(const QStringList &roots) override { m_shared->watched = roots; }

private:
    std::shared_ptr<Shared> m_shared;
};

struct MainWindowRig {
    MainWindowRig()
    {
        QDir root(temp.path());
        for (const char *folder : {"program", "data", "source", "drives", "menu"})
            root.mkpath(folder);
        programFolder = temp.filePath("program") + "/";
        dataFolder = temp.filePath("data") + "/";
        source = temp.filePath("source");
    }

    MainWindowEnvironment environment()
    {
        MainWindowEnvironment env;
        env.programFolder = programFolder.toStdString();
        env.dataFolder = dataFolder.toStdString();
        env.programPath = QStringLiteral("/opt/quillarc/quillarc");
        env.host = &host;
        env.clock = &clock;
        // A chosen folder belongs to the drive whose root it lies in.
        env.driveRootFor = [this](const std::string &folder) -> std::string {
            for (const QString &drive : drives)
                if ((folder + "/").rfind(drive.toStdString(), 0) == 0)
                    return drive.toStdString();
            return {};
        };
        env.notifySource = std::make_unique<ScriptedMediaSource>(media);
        env.freePhysicalMemory = [this] { return freeMemory; };
        env.openDocument = [this](const QString &target, const MainWindowEnvironment::OpenFailed &failed) {
            opened << target;
            if (!openFailure.isEmpty() && failed)
                failed(openFailure);
        };
        env.chooseFont = [this](QWidget *, const QFont &, const QColor &) { return fontAnswer; };
        env.shellFolders.startMenu = temp.filePath("menu").toStdString();
        return env;
    }

    /// A drive root (a folder of its own) with a medium of `label` in it.
    QString addDrive(const QString &name, const QString &label, std::int64_t capacity = std::int64_t {1} << 30)
    {
        const QString drive = temp.filePath("drives/" + name) + "/";
        QDir().mkpath(drive + "medium");
        drives << drive;
        if (!label.isNull())
            insert(drive, label, capacity);
        return drive;
    }
    void insert(const QString &drive, const QString &label, std::int64_t capacity = std::int64_t {1} << 30,
                const QString &mediumName = QStringLiteral("medium"))
    {
        QDir().mkpath(drive + mediumName);
        host.insert(drive.toStdString(),
                    {(drive + mediumName + "/").toStdString(), label.toStdString(), capacity, std::nullopt});
    }

    /// The mount-table watch reporting a change of medium.
    void mediaEvent(bool inserted, const QString &drive)
    {
        if (media->deliver)
            media->deliver(media->messageNo, inserted ? SHCNE::MEDIAINSERTED : SHCNE::MEDIAREMOVED, drive);
    }

    /// A "config" naming the drive, so that start-up is not a first run.
    void writeConfig(const QString &drive)
    {
        QFile file(programFolder + "config");
        if (file.open(QIODevice::WriteOnly))
            file.write((drive + "\r\n").toUtf8());
    }

    QString writeSource(const QString &relative, const QByteArray &bytes)
    {
        const QString path = source + "/" + relative;
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(bytes);
        return path;
    }

    QByteArray programFile(const QString &name) const
    {
        QFile file(programFolder + name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    QTemporaryDir temp;
    QString programFolder, dataFolder, source;
    QStringList drives;
    FixedClock clock {QDateTime(QDate(2024, 5, 17), QTime(14, 30, 0))};
    test::SimulatedVolumeHost host;
    std::shared_ptr<ScriptedMediaSource::Shared> media = std::make_shared<ScriptedMediaSource::Shared>();
    std::uint64_t freeMemory = std::uint64_t {1} << 32;
    QStringList opened;
    QString openFailure; ///< when set, every document fails to open with this message
    std::optional<ListFontChoice> fontAnswer;
};

/// The main window as a start shows it: shown, its progress window made,
/// and its first medium check (50 ms after the first show) run.
struct OpenWindow {
    explicit OpenWindow(MainWindowRig &rig) : OpenWindow(rig.environment()) {}
    explicit OpenWindow(MainWindowEnvironment env) : form(std::move(env))
    {
        form.show();
        form.createProgressForm();
        // Every test of the window starts from the state the first check
        // leaves; one that never ran would test something else.
        if (!QTest::qWaitFor([this] { return !form.ui().Timer2.isActive(); }, 10000))
            QTest::qFail("the first medium check never ran", __FILE__, __LINE__);
    }
    TQLForm form;
};

// A disk list record as the program writes it.
inline QByteArray record(const QString &path, const QString &subDir, bool checked, const QString &value = "0")
{
    const QString dateTime = value == "0" ? "0/0/0 0:00" : QString::fromStdString(cutOffText(value.toDouble()));
    return (path + "\r\n" + dateTime + "\r\n" + value + "\r\n" + subDir + "\r\n" + (checked ? "T" : "F") + "\r\n")
        .toUtf8();
}

inline void writeList(MainWindowRig &rig, const QString &label, const QByteArray &bytes)
{
    QFile file(rig.programFolder + label + ".ini");
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace quillarc
