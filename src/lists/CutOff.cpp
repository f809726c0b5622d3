#include "lists/CutOff.h"

#include "lists/DateTimeText.h"

namespace quillarc {

std::optional<CutOff> CutOff::fromFloatText(std::string_view text)
{
    double value = 0;
    if (!tryParseNumberTextAnySeparator(text, value))
        return std::nullopt;
    return CutOff(value);
}

std::chrono::system_clock::time_point CutOff::earliestInstant() const
{
    return earliestTimePointFromDateTime(m_local);
}

std::string CutOff::floatText() const
{
    return numberText(m_local);
}

std::string CutOff::dateTimeText() const
{
    return cutOffText(m_local);
}

std::string_view subDirText(SubFolders flag)
{
    switch (flag) {
    case SubFolders::Included:
        return "Yes";
    case SubFolders::Excluded:
        return "No";
    case SubFolders::NotAFolder:
        break;
    }
    return {};
}

SubFolders subFoldersFromText(std::string_view text)
{
    if (text.empty())
        return SubFolders::NotAFolder;
    return text == "No" ? SubFolders::Excluded : SubFolders::Included;
}

} // namespace quillarc
