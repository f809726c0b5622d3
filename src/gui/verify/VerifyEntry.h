#pragma once

#include <string>

class QMenu;

namespace quillarc {

class TQLForm;

/// "Verify the Copies on This Disk" on the label field's menu: enabled
/// while a disk is in hand and no pass runs; it starts the window's verify
/// of that disk.
void addVerifyEntry(QMenu &menu, TQLForm &form, const std::string &programFolder);

} // namespace quillarc
