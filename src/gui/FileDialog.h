#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace quillarc {

/// Every file and folder chooser of the program goes through here, so that
/// tests can give the answer in advance.
class FileDialog {
public:
    /// An existing file chosen by the user; empty when cancelled.
    static QString openFile(QWidget *parent, const QString &title, const QString &folder, const QString &filter);
    /// An existing folder chosen by the user; empty when cancelled.
    static QString chooseFolder(QWidget *parent, const QString &title, const QString &folder);
    /// A disk list file to read or write ("INI", *.ini): it need not
    /// exist, and a typed name without an extension gains ".ini". Empty
    /// when cancelled.
    static QString chooseIniFile(QWidget *parent, const QString &title, const QString &folder);

    /// While one of these lives, no chooser is shown: each call takes the
    /// next queued answer (empty = cancelled, also when the queue is empty)
    /// and records its title.
    class Script {
    public:
        Script();
        ~Script();
        Script(const Script &) = delete;
        Script &operator=(const Script &) = delete;

        void answer(const QString &path);
        QStringList titles() const;
    };
};

} // namespace quillarc
