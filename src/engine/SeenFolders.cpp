#include "engine/SeenFolders.h"

#include "base/AtomicFile.h"
#include "lists/PerLabelFile.h"
#include "lists/TextLines.h"

#include <algorithm>
#include <charconv>
#include <stdexcept>
#include <fcntl.h>
#include <sys/stat.h>

namespace quillarc {

namespace {

// Fields end in NUL: a path may hold any other byte, line ends included.
// The first layout knew folders by inode alone; its records are not read.
constexpr std::string_view kHeader = "quillarc folders 2\n";

class FieldReader {
public:
    explicit FieldReader(std::string_view bytes) : m_bytes(bytes) {}
    bool atEnd() const { return m_at >= m_bytes.size(); }
    bool next(std::string_view &field)
    {
        const std::size_t end = m_bytes.find('\0', m_at);
        if (end == std::string_view::npos)
            return false;
        field = m_bytes.substr(m_at, end - m_at);
        m_at = end + 1;
        return true;
    }
    bool number(std::uint64_t &value)
    {
        std::string_view field;
        if (!next(field) || field.empty())
            return false;
        const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
        return error == std::errc() && end == field.data() + field.size();
    }

private:
    std::string_view m_bytes;
    std::size_t m_at = 0;
};

void addField(std::string &out, std::string_view field)
{
    out.append(field);
    out += '\0';
}

// FNV-1a: a look-up compares the path itself as well, so the hash needs to
// spread paths, nothing more.
std::uint64_t pathHash(std::string_view path)
{
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : path) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    return hash;
}

} // namespace

SeenFolders::Folders::Folders(std::initializer_list<std::pair<std::string, FolderId>> folders)
{
    for (const auto &[path, id] : folders)
        add(path, id);
}

void SeenFolders::Folders::add(std::string_view path, FolderId id)
{
    m_entries.push_back(
        {pathHash(path), static_cast<std::uint32_t>(m_paths.size()), static_cast<std::uint32_t>(path.size()), id});
    m_paths.append(path);
    m_indexed = false;
}

void SeenFolders::Folders::remove(const std::set<std::string> &paths)
{
    if (paths.empty())
        return;
    Folders kept;
    for (const Entry &entry : m_entries)
        if (paths.count(std::string(pathOf(entry))) == 0)
            kept.add(pathOf(entry), entry.id);
    *this = std::move(kept);
}

const SeenFolders::FolderId *SeenFolders::Folders::find(std::string_view path) const
{
    const Entry *entry = lookUp(path, pathHash(path));
    return entry != nullptr ? &entry->id : nullptr;
}

const SeenFolders::FolderId &SeenFolders::Folders::at(std::string_view path) const
{
    const FolderId *id = find(path);
    if (id == nullptr)
        throw std::out_of_range("no such folder in the record");
    return *id;
}

const SeenFolders::Folders::Entry *SeenFolders::Folders::lookUp(std::string_view path, std::uint64_t hash) const
{
    if (!m_indexed) {
        m_byHash.resize(m_entries.size());
        for (std::uint32_t i = 0; i < m_byHash.size(); ++i)
            m_byHash[i] = i;
        std::stable_sort(m_byHash.begin(), m_byHash.end(),
                         [&](std::uint32_t a, std::uint32_t b) { return m_entries[a].hash < m_entries[b].hash; });
        m_indexed = true;
    }
    auto at = std::lower_bound(m_byHash.begin(), m_byHash.end(), hash,
                               [&](std::uint32_t i, std::uint64_t wanted) { return m_entries[i].hash < wanted; });
    for (; at != m_byHash.end() && m_entries[*at].hash == hash; ++at)
        if (pathOf(m_entries[*at]) == path)
            return &m_entries[*at];
    return nullptr;
}

std::string SeenFolders::fileName(std::string_view label)
{
    return perLabelFileName(label, kSeenFoldersSuffix);
}

// Layout: the header, then per item its path, its cut-off text, whether
// its folder was a mount point ("1" or "0") and its folder count, then per
// folder its path, device, file system and inode; last, the item count, so
// that a cut-short file does not read.
void SeenFolders::load(const std::string &path)
{
    m_items.clear();
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return;
    std::string bytes;
    try {
        bytes = readWholeFile(path);
    } catch (const std::exception &) {
        return;
    }
    if (bytes.compare(0, kHeader.size(), kHeader) != 0)
        return;
    FieldReader reader(std::string_view(bytes).substr(kHeader.size()));
    std::unordered_map<std::string, Entry> items;
    for (;;) {
        std::string_view kind;
        if (!reader.next(kind))
            return;
        if (kind == "end") {
            std::uint64_t count = 0;
            if (reader.number(count) && count == items.size() && reader.atEnd())
                m_items = std::move(items);
            return;
        }
        std::string_view itemPath;
        std::string_view cutOff;
        std::uint64_t mountPoint = 0;
        std::uint64_t count = 0;
        if (kind != "item" || !reader.next(itemPath) || !reader.next(cutOff) || !reader.number(mountPoint) ||
            mountPoint > 1 || !reader.number(count))
            return;
        Entry entry {std::string(cutOff), {}, mountPoint == 1};
        for (std::uint64_t i = 0; i < count; ++i) {
            std::string_view folder;
            std::uint64_t device = 0;
            std::uint64_t fileSystem = 0;
            std::uint64_t inode = 0;
            if (!reader.next(folder) || !reader.number(device) || !reader.number(fileSystem) || !reader.number(inode))
                return;
            entry.folders.add(folder, FolderId {static_cast<dev_t>(device), fileSystem, static_cast<ino_t>(inode)});
        }
        items.insert_or_assign(std::string(itemPath), std::move(entry));
    }
}

void SeenFolders::save(const std::string &path) const
{
    // Sized first and made in one piece: at tens of thousands of folders a
    // record grown as it is made would take twice its room at the pass's end.
    std::size_t size = kHeader.size();
    fields([&](std::string_view field) { size += field.size() + 1; });
    std::string out;
    out.reserve(size);
    out.append(kHeader);
    fields([&](std::string_view field) { addField(out, field); });
    // It names the folders of every item, private ones too.
    writeFileAtomically(path, out, FileAccess::Private);
}

const SeenFolders::Folders *SeenFolders::forItem(const std::string &itemPath, CutOff cutOff) const
{
    const auto found = m_items.find(itemPath);
    if (found == m_items.end() || CutOff::fromFloatText(found->second.cutOffText) != cutOff)
        return nullptr;
    return &found->second.folders;
}

void SeenFolders::setItem(const std::string &itemPath, CutOff cutOff, Folders folders, bool mountPoint)
{
    m_items.insert_or_assign(itemPath, Entry {cutOff.floatText(), std::move(folders), mountPoint});
}

bool SeenFolders::wasMountPoint(const std::string &itemPath) const
{
    const auto found = m_items.find(itemPath);
    return found != m_items.end() && found->second.mountPoint;
}

} // namespace quillarc
