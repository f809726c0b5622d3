#include "platform/linux/MountInfo.h"

#include <charconv>
#include <fstream>
#include <sstream>

namespace quillarc {

namespace {

bool isOctal(char c)
{
    return c >= '0' && c <= '7';
}

std::vector<std::string_view> splitBlanks(std::string_view line)
{
    std::vector<std::string_view> fields;
    std::size_t pos = 0;
    while (pos < line.size()) {
        while (pos < line.size() && line[pos] == ' ')
            ++pos;
        if (pos >= line.size())
            break;
        std::size_t end = line.find(' ', pos);
        if (end == std::string_view::npos)
            end = line.size();
        fields.push_back(line.substr(pos, end - pos));
        pos = end;
    }
    return fields;
}

bool parseInt(std::string_view text, int &out)
{
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && ptr == text.data() + text.size();
}

std::string withoutTrailingSlash(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

} // namespace

std::string decodeMountField(std::string_view field)
{
    std::string out;
    out.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && isOctal(field[i + 1]) && isOctal(field[i + 2]) &&
            isOctal(field[i + 3])) {
            int value = (field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0');
            if (value <= 255) {
                out.push_back(static_cast<char>(value));
                i += 3;
                continue;
            }
        }
        out.push_back(field[i]);
    }
    return out;
}

std::vector<MountEntry> parseMountInfo(std::string_view text)
{
    std::vector<MountEntry> entries;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;

        // id parent major:minor root mountpoint options [optional...] - fstype source superoptions
        const auto fields = splitBlanks(line);
        std::size_t dash = 6;
        while (dash < fields.size() && fields[dash] != "-")
            ++dash;
        if (fields.size() < 6 || dash + 2 >= fields.size())
            continue;
        MountEntry entry;
        if (!parseInt(fields[0], entry.mountId) || !parseInt(fields[1], entry.parentId))
            continue;
        if (fields[2].find(':') == std::string_view::npos)
            continue;
        entry.device = std::string(fields[2]);
        entry.root = decodeMountField(fields[3]);
        entry.mountPoint = withoutTrailingSlash(decodeMountField(fields[4]));
        if (entry.mountPoint.empty() || entry.mountPoint.front() != '/')
            continue;
        entry.fsType = decodeMountField(fields[dash + 1]);
        entry.source = decodeMountField(fields[dash + 2]);
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::vector<MountEntry> readMountInfo(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {};
    std::ostringstream text;
    text << in.rdbuf();
    return parseMountInfo(text.str());
}

} // namespace quillarc
