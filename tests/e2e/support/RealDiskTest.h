#pragma once

#include "e2e/support/DiskImage.h"
#include "e2e/support/PassProcess.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace quillarc::e2e {

/// Real backup disks for quillarc-pass: disk images mounted, as a desktop
/// mounts removable media, below the automount folder /media/<user>/ of a
/// private mount namespace (a tmpfs hides the machine's own /media), a
/// source tree and a program folder under a temporary folder.
class RealDiskTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    /// Gets the mounts ready for disks of `kind`; why they cannot be had
    /// here, or empty.
    /// Passes run as `passUser` when it is set (a user id): the automount
    /// folder is then that user's, and the temporary folder theirs.
    std::string prepareDisks(DiskImage::Kind kind);
    /// A fresh image; null (and the test failed) when it could not be made.
    std::unique_ptr<DiskImage> makeDisk(DiskImage::Kind kind, int mebibytes, const std::string &label);
    /// Mounts an image at automount/<name>, as the desktop would, for the
    /// user the passes run as.
    bool insert(DiskImage &disk, const std::string &name, bool readOnly = false);
    /// Hands the temporary folder to the user the passes run as.
    void giveToPassUser() const;

    struct SourceFile {
        std::string relative; ///< below the source folder
        std::string bytes;
        mode_t mode = 0644;
    };
    /// Writes a file below the source folder, last changed an hour and a
    /// few odd nanoseconds ago.
    std::string writeSource(const SourceFile &file) const;
    /// A list file for `label` naming `paths` with their sub-folders, never
    /// backed up, all checked.
    void writeList(const std::string &label, const std::vector<std::string> &paths) const;
    bool cutOffMoved(const std::string &label) const;

    std::vector<std::string> command(const std::vector<std::string> &extra = {}) const;
    /// One pass without a terminal; waits for it.
    struct Ended {
        int status;
        std::string out;
        std::string err;
    };
    Ended runPass(const std::vector<std::string> &extra = {});
    std::unique_ptr<PassProcess> startPass(const std::vector<std::string> &extra = {});

    /// Where a source file's copy lies below a disk root.
    std::string copyOf(const std::string &diskRoot, const std::string &sourcePath) const;
    /// Names of every file and folder below `root`, relative, sorted.
    static std::vector<std::string> everythingBelow(const std::string &root);
    /// The quillarc.log of the program folder.
    std::string log() const;

    /// Non-fatal checks that a copy has the source's bytes and modification
    /// time (to the nanosecond, or rounded down to FAT's two seconds) and,
    /// where the disk keeps them, its permission bits and owner.
    enum class Keeps {
        Everything,
        BytesAndTwoSecondTimes,
        Bytes
    };
    static void expectSameFile(const std::string &source, const std::string &copy, Keeps keeps);
    /// Checks that the pass named `path` as missed on stderr and in the log.
    void expectReported(const Ended &pass, const std::string &path) const;

    static std::string read(const std::string &path);

    std::string temp;      ///< ends without '/'
    std::string source;    ///< the backed-up folder, no '/' at the end
    std::string program;   ///< ends in '/'
    std::string automount; ///< the drive, ends in '/'
    int runs = 0;
    int passUser = -1;
    /// The supplementary groups of `passUser` ("4242,4243"); none when empty.
    std::string passGroups;
};

} // namespace quillarc::e2e
