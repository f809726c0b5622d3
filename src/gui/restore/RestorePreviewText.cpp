#include "gui/restore/RestorePreviewText.h"

#include "gui/CountText.h"

#include <QDateTime>
#include <QLocale>

#include <cerrno>
#include <sys/stat.h>

namespace quillarc {

namespace {

// A long choice shows this many files; the counts cover them all.
constexpr std::size_t kListed = 300;
constexpr std::size_t kNamedAtEnd = 12;

QString path(const std::string &text)
{
    return QString::fromStdString(text);
}

enum class InTheWay {
    Nothing,
    Same,
    Different
};

InTheWay inTheWay(const PlannedFile &file, const RestoreSettings &settings)
{
    if (!RestoreWriter::alreadyRestored(file, settings).empty())
        return InTheWay::Same;
    struct stat status {};
    return ::lstat(file.target.c_str(), &status) == 0 ? InTheWay::Different : InTheWay::Nothing;
}

} // namespace

QString restorePreviewText(const RestorePlan &plan, const RestoreSettings &settings)
{
    QStringList lines;
    std::size_t listed = 0, same = 0, different = 0;
    for (const DiskPlan &disk : plan.disks) {
        lines << QStringLiteral("From disk %1: %2, %3")
                     .arg(path(disk.label), filesText(disk.files.size()), sizeCountText(disk.bytes));
        for (const PlannedFile &file : disk.files) {
            const InTheWay way = inTheWay(file, settings);
            same += way == InTheWay::Same;
            different += way == InTheWay::Different;
            if (++listed > kListed)
                continue;
            QString line = QStringLiteral("  ") + path(file.target);
            if (!file.source.versionStamp.empty())
                line += QStringLiteral("  (version of %1)").arg(path(file.source.copy.passStamp));
            if (way == InTheWay::Same)
                line += QStringLiteral("  - already there, left alone");
            else if (way == InTheWay::Different)
                line += settings.overwrite ? QStringLiteral("  - IN THE WAY: replaced, the old file kept aside")
                                           : QStringLiteral("  - IN THE WAY: kept; restored beside it");
            lines << line;
        }
    }
    if (listed > kListed)
        lines << QStringLiteral("  ... and %1 more").arg(filesText(listed - kListed));
    for (const std::string &missing : plan.notFound)
        lines << QStringLiteral("No copy of %1 as of that date").arg(path(missing));
    lines.prepend(QStringLiteral("%1, %2 to write; %3 already there; %4 in the way.")
                      .arg(filesText(plan.fileCount()), sizeCountText(plan.totalBytes()))
                      .arg(same)
                      .arg(different));
    return lines.join(QLatin1Char('\n'));
}

QString restoreVersionText(const CopyEntry &entry)
{
    const QString where = entry.versionStamp.empty() ? QStringLiteral("current copy") : QStringLiteral("version");
    const QString modified =
        QDateTime::fromMSecsSinceEpoch(entry.copy.modifiedNs / 1'000'000).toString(QStringLiteral("yyyy-MM-dd hh:mm"));
    return QStringLiteral("%1, %2: %3, %4")
        .arg(path(entry.diskLabel), where, modified,
             countText(static_cast<std::uint64_t>(entry.copy.size), QStringLiteral("byte"), QStringLiteral("bytes")));
}

QString restoreEndText(std::size_t restored, std::size_t total, const std::vector<std::string> &notRestored,
                       const std::vector<std::string> &besides)
{
    QString text = QStringLiteral("%1 of %2 restored.")
                       .arg(QLocale().toString(static_cast<qulonglong>(restored)), filesText(total));
    if (!besides.empty())
        text += QStringLiteral("\n%1 put beside a different file, as %2%3.")
                    .arg(besides.size())
                    .arg(path(besides.front()))
                    .arg(besides.size() > 1 ? QStringLiteral(" and others") : QString());
    if (notRestored.empty())
        return text;
    text += QStringLiteral("\n\nNot restored:");
    for (std::size_t i = 0; i < notRestored.size() && i < kNamedAtEnd; ++i)
        text += QStringLiteral("\n") + path(notRestored[i]);
    if (notRestored.size() > kNamedAtEnd)
        text += QStringLiteral("\nand %1 more.").arg(notRestored.size() - kNamedAtEnd);
    text += QStringLiteral("\n\nGet Files Back again with the same choice to go on.");
    return text;
}

} // namespace quillarc
