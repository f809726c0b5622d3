#include "lists/DiskStatusRecord.h"

#include "base/AtomicFile.h"
#include "base/FolderPath.h"
#include "lists/PerLabelFile.h"

#include <charconv>
#include <fstream>

namespace quillarc {

namespace {

bool readNumber(std::string_view text, std::int64_t &out)
{
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), out);
    return error == std::errc() && end == text.data() + text.size();
}

} // namespace

DiskStatusRecords::DiskStatusRecords(std::string programFolder) : m_folder(withSlash(std::move(programFolder)))
{
}

std::string DiskStatusRecords::pathFor(std::string_view label) const
{
    return m_folder + perLabelFileName(label, kStatusRecordSuffix);
}

std::optional<DiskStatusRecord> DiskStatusRecords::load(std::string_view label) const
{
    std::ifstream in(pathFor(label), std::ios::binary);
    if (!in)
        return std::nullopt;
    DiskStatusRecord record;
    bool numbersRead = true;
    std::string line;
    for (int lines = 0; lines < 64 && std::getline(in, line); ++lines) {
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        const std::string key = line.substr(0, equals);
        const std::string_view value = std::string_view(line).substr(equals + 1);
        if (key == "when")
            numbersRead &= readNumber(value, record.when);
        else if (key == "date")
            record.date = value;
        else if (key == "ending")
            record.ending = value;
        else if (key == "copied")
            numbersRead &= readNumber(value, record.copied);
        else if (key == "missed")
            numbersRead &= readNumber(value, record.missed);
        else if (key == "free")
            numbersRead &= readNumber(value, record.freeBytes);
    }
    if (!numbersRead || record.when <= 0 || record.ending.empty())
        return std::nullopt;
    return record;
}

void DiskStatusRecords::save(std::string_view label, const DiskStatusRecord &record) const
{
    auto clean = [](std::string text) {
        for (char &c : text)
            if (c == '\n' || c == '\r')
                c = ' ';
        return text;
    };
    const std::string text = "when=" + std::to_string(record.when) + "\ndate=" + clean(record.date) +
                             "\nending=" + clean(record.ending) + "\ncopied=" + std::to_string(record.copied) +
                             "\nmissed=" + std::to_string(record.missed) +
                             "\nfree=" + std::to_string(record.freeBytes) + "\n";
    // The record says when the person backed up what: it is theirs alone.
    writeFileAtomically(pathFor(label), text, FileAccess::Private);
}

} // namespace quillarc
