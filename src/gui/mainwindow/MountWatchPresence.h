#pragma once

#include <QString>

#include <string>

class QWidget;

namespace quillarc {

/// Whether a mount watch (quillarc-pass --watch) of this user runs for
/// `programFolder`, read from the process table under `procRoot`. A watch
/// started without --program-folder counts for any folder: it finds the
/// same default one as the window.
bool mountWatchRunning(const std::string &programFolder, const std::string &procRoot = "/proc");

/// What a person needs to know after asking for passes on mount while no
/// watch runs: that nothing will happen yet, and how to start the watch.
QString mountWatchStoppedText();

/// Says so when `running` is false.
void adviseWhenMountWatchStopped(QWidget *parent, bool running);

} // namespace quillarc
