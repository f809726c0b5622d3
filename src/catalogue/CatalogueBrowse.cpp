// One folder's contents at a time, for a tree opened a level at a time:
// a catalogue of a million copies answers each level from its indexes
// without reading what lies below.
#include "catalogue/CatalogueImpl.h"

#include <algorithm>
#include <set>

namespace quillarc {

namespace {

// Whether any copy (on the disk, when one is given) lies in the folder or
// below it; the folder's own rows and its subtree are ranges of the index.
constexpr const char *kAnyCopyBelow =
    "SELECT 1 FROM folders f JOIN names n ON n.folder = f.id JOIN copies c ON c.name = n.id "
    "WHERE (f.path = ?1 OR (f.path >= ?2 AND f.path < ?3)) AND (?4 < 0 OR c.disk = ?4) LIMIT 1";

constexpr const char *kFilesIn =
    "SELECT n.name FROM folders f JOIN names n ON n.folder = f.id WHERE f.path = ?1 AND EXISTS "
    "(SELECT 1 FROM copies c WHERE c.name = n.id AND (?2 < 0 OR c.disk = ?2))";

std::string endOfSubtree(const std::string &folder)
{
    return folder + "0"; // '0' follows '/'
}

} // namespace

std::vector<CatalogueChild> Catalogue::childrenOf(std::string_view folder, std::optional<std::int64_t> disk) const
{
    const std::string parent(trimmedPath(folder));
    const std::string prefix = parent.empty() ? std::string() : parent + "/";
    const std::int64_t onDisk = disk.value_or(-1);
    std::set<std::string> folders;

    // Each step finds the next folder path in the parent and skips the
    // subtree of the child it belongs to.
    auto next =
        m_impl->db.prepare(parent.empty() ? std::string("SELECT path FROM folders WHERE path >= ?1 AND path <> '' "
                                                        "ORDER BY path LIMIT 1")
                                          : std::string("SELECT path FROM folders WHERE path >= ?1 AND path < ?2 "
                                                        "ORDER BY path LIMIT 1"));
    auto anyBelow = m_impl->db.prepare(kAnyCopyBelow);
    std::string from = prefix;
    const std::string end = parent.empty() ? std::string() : endOfSubtree(parent);
    for (;;) {
        next->reset();
        next->bind(1, from);
        if (!parent.empty())
            next->bind(2, end);
        if (!next->step())
            break;
        const std::string path = next->text(0);
        const std::string rest = path.substr(prefix.size());
        const std::size_t slash = rest.find('/');
        const std::string child = rest.substr(0, slash);
        if (!child.empty() && !folders.count(child)) {
            const std::string childPath = prefix + child;
            anyBelow->reset();
            anyBelow->bind(1, childPath).bind(2, childPath + "/").bind(3, endOfSubtree(childPath)).bind(4, onDisk);
            if (anyBelow->step())
                folders.insert(child);
        }
        // The exact path may be followed by siblings that share its start
        // ("a.b" after "a"); a path below the child lets its subtree go.
        from = slash == std::string::npos ? path + '\x01' : endOfSubtree(prefix + child);
    }

    std::vector<CatalogueChild> children;
    children.reserve(folders.size());
    for (const std::string &name : folders)
        children.push_back({name, true});
    auto files = m_impl->db.prepare(kFilesIn);
    files->bind(1, parent).bind(2, onDisk);
    std::vector<CatalogueChild> plain;
    while (files->step())
        plain.push_back({files->text(0), false});
    std::sort(plain.begin(), plain.end(), [](const auto &a, const auto &b) { return a.name < b.name; });
    children.insert(children.end(), plain.begin(), plain.end());
    return children;
}

} // namespace quillarc
