#pragma once

#include <QList>
#include <QString>

#include <memory>

class QMessageBox;
class QWidget;

namespace quillarc {

/// Every message box of the program goes through here, so that tests can
/// answer boxes in advance and read what was shown.
class MessageBox {
public:
    enum class Kind {
        Notice,  ///< the program's title, the text, one OK button, no icon
        Confirm, ///< "Confirm", question-mark icon, "&Yes" (default) and "Cancel"
        Error,   ///< the program's title, error icon, one OK button
    };

    struct Shown {
        Kind kind;
        QString caption;
        QString text;
        QString action = {}; ///< the caption of a notice's extra button, if any
    };

    /// The program's title, which captions notices and errors.
    static QString title();

    static void notice(QWidget *parent, const QString &text);
    /// A notice with a second button beside OK (such as "Open the Log");
    /// true when the person pressed it. Scripted, it takes its answer from
    /// the queue like a question.
    static bool noticeWithAction(QWidget *parent, const QString &text, const QString &action);
    /// True only for Yes; Escape and closing the box count as Cancel.
    static bool confirm(QWidget *parent, const QString &text);
    /// Shows an error's text the way the program's top-level handler does.
    static void error(QWidget *parent, const QString &text);

    /// An error's text as shown: a full stop is added unless the text ends in
    /// a character that sorts at or below the full stop.
    static QString errorText(const QString &text);

    /// The box for a message; lines may be separated by '\r' or '\n'.
    static std::unique_ptr<QMessageBox> build(Kind kind, QWidget *parent, const QString &text,
                                              const QString &action = {});

    /// While one of these lives, boxes are not shown: each is recorded;
    /// questions take their answer (Yes or Cancel) from the queue, Cancel
    /// when it is empty.
    class Script {
    public:
        Script();
        ~Script();
        Script(const Script &) = delete;
        Script &operator=(const Script &) = delete;

        void answer(bool yes);
        /// Boxes shown since the script started (or since the last take).
        QList<Shown> take();
    };

private:
    static bool run(Kind kind, QWidget *parent, const QString &text, const QString &action = {});
};

} // namespace quillarc
