#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace quillarc {

class VolumeHost;

/// The rules of the disk-full dialog, kept apart from any window so that
/// the window's dialog, the headless runner and the tests apply the same
/// ones. A new disk is one that has a volume label, has no disk list file
/// yet, and has room for the file that did not fit.
class DiskFullRules {
public:
    /// `hasListFile(label)` tells whether the program folder already holds
    /// the disk list file of `label`.
    DiskFullRules(const VolumeHost &host, std::string fullDiskDrive, std::int64_t fullDiskNeeded,
                  std::function<bool(const std::string &label)> hasListFile);

    /// The backup drive root at the moment the disk filled up.
    const std::string &fullDiskDrive() const { return m_FullDiskDrive; }
    /// Size in bytes of the file waiting to be copied.
    std::int64_t fullDiskNeeded() const { return m_FullDiskNeeded; }

    /// Label of the disk now in the drive (the dialog's "Current Volume"
    /// field); empty when there is none.
    std::string currentLabel() const;

    /// READY: checks the disk now in the drive. Empty when it is a new disk
    /// with room (the dialog closes with Ready); otherwise the message to
    /// show, of the first rule that fails, in this order: no volume label,
    /// label already has a list file, no free space, not enough free space.
    std::string readyRefusal() const;

    /// CANCEL's confirmation question.
    static const std::string &cancelQuestion();

    /// The dialog's message line.
    static const std::string &headline();

private:
    const VolumeHost &m_host;
    std::string m_FullDiskDrive;
    std::int64_t m_FullDiskNeeded;
    std::function<bool(const std::string &)> m_hasListFile;
};

} // namespace quillarc
