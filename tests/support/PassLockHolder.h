#pragma once

#include "support/ChildRun.h"

#include <memory>
#include <string>

namespace quillarc::test {

/// A pass already running in another process (the window, or a pass
/// started by a mount): a child copy of the test binary takes the pass lock
/// of `programFolder` and `mediumRoot` (either may be empty) and holds it
/// until the returned child is killed, when it goes. Returns once the lock
/// is held; `readyFile` is where the child says so.
std::unique_ptr<Spawned> holdPassLock(const std::string &programFolder, const std::string &mediumRoot,
                                      const std::string &readyFile);

} // namespace quillarc::test
