#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "engine/BackupRun.h"
#include "engine/ExclusionTest.h"
#include "engine/support/ScriptedPassUi.h"
#include "lists/BackupList.h"
#include "base/Clock.h"
#include "lists/DiskListFile.h"
#include "lists/Locale.h"
#include "support/SimulatedVolumeHost.h"

namespace quillarc {

/// A real temporary tree: `source/` to back up, media folders, a program
/// folder; a simulated drive "/drive/" holding the medium "DISK1".
class PassFixture : public ::testing::Test {
protected:
    PassFixture();
    ~PassFixture() override;

    static constexpr const char *kDrive = "/drive/";

    /// Writes a file (parents created) and sets its modification time to
    /// `secondsAgo` before now.
    void writeFile(const std::string &path, const std::string &bytes, int secondsAgo = 3600);
    static std::string readFile(const std::string &path);
    static bool exists(const std::string &path);
    /// A new medium folder `name` under the temp folder, put in the drive.
    std::string insertMedium(const std::string &label, std::int64_t capacity = std::int64_t {1} << 30,
                             const std::string &name = {});

    /// Adds an item: folder with "Yes"/"No", or a file with "".
    BackupItem &addItem(const std::string &path, const std::string &subDir, bool checked = true,
                        const std::string &cutOff = "0");

    /// A run over the list with the current medium and `ui`; not started.
    BackupRun &makeRun();
    /// Makes a run, starts it and waits for its end; its outcome.
    const PassOutcome &runPass();
    /// Starts `run` made by makeRun() and waits for its end.
    const PassOutcome &startAndWait();

    /// The copy of `source` on the medium whose root is `mediumRoot`.
    static std::string copyOf(const std::string &mediumRoot, const std::string &source);

    std::string temp;
    std::string source;  ///< ends without '/'
    std::string program; ///< ends in '/'
    std::string medium;  ///< root of the first medium, ends in '/'
    /// The wall clock moved by `shift`, so that passes can lie apart in time.
    struct ShiftedClock : Clock {
        std::chrono::seconds shift {0};
        std::chrono::system_clock::time_point now() const override { return std::chrono::system_clock::now() + shift; }
    } clock;
    ScopedLocale locale {Locale::unitedStates()};
    test::SimulatedVolumeHost host;
    BackupList list;
    std::unique_ptr<DiskListFile> listFile;
    FileFilters filters;
    ScriptedPassUi ui;
    std::string label = "DISK1";
    int copiesInFlight = kCopiesInFlight; ///< for the runs makeRun() makes
    std::unique_ptr<BackupRun> run;
};

} // namespace quillarc
