#pragma once

#include <QString>

#include <functional>

namespace quillarc {

/// Opens a document, folder or link (file path, http(s) or mailto URL) with
/// the desktop's chosen program, through xdg-open, without waiting for it.
/// Returns false and sets error to a message for the user when it cannot.
bool openDocument(const QString &target, QString *error = nullptr);

/// Opens a document like openDocument, and calls failed with a message for
/// the person when it cannot be opened: a missing file, no xdg-open, or no
/// program on this computer for it (xdg-open ends with an error). The
/// failure may be reported after this returns, from the event loop; nothing
/// waits for the opened program.
void openDocumentOrSay(const QString &target, std::function<void(const QString &message)> failed);

/// The mail link the program offers: "mailto:" + address + "?subject=Quillarc".
QString mailtoLink(const QString &address);

} // namespace quillarc
