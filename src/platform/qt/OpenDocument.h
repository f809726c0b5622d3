#pragma once

#include <QString>

namespace quillarc {

/// Opens a document, folder or link (file path, http(s) or mailto URL) with
/// the desktop's chosen program, through xdg-open, without waiting for it.
/// Returns false and sets error to a message for the user when it cannot.
bool openDocument(const QString &target, QString *error = nullptr);

/// The mail link the program offers: "mailto:" + address + "?subject=Quillarc".
QString mailtoLink(const QString &address);

} // namespace quillarc
