#pragma once

#include "catalogue/Verify.h"

#include <string>

namespace quillarc {

/// The lines that tell a person what a verify found of one copy, the disk
/// root `drive` (ends in '/') and `label` naming where it lies.
std::string findingText(const VerifyFinding &finding, const std::string &drive, const std::string &label);

/// One line on how a verify of the disk ended.
std::string verifySummary(const VerifyReport &report, const std::string &label);

/// Appends a verify's summary and findings to the pass log of the program
/// folder (ends in '/'); false when it could not be written.
bool appendVerifyLog(const std::string &programFolder, const std::string &summary, const std::string &findings);

} // namespace quillarc
