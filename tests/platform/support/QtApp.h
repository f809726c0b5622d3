#pragma once

#include <chrono>
#include <functional>

namespace quillarc::test {

/// Makes sure a QCoreApplication exists for tests that need an event loop.
void ensureCoreApplication();

/// Runs the event loop until done() holds or the time is up; returns done().
bool processEventsUntil(const std::function<bool()> &done, std::chrono::milliseconds limit);

} // namespace quillarc::test
