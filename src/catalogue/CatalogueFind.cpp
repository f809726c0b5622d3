#include "catalogue/Catalogue.h"
#include "catalogue/CatalogueImpl.h"
#include "catalogue/NamePattern.h"

#include <algorithm>

namespace quillarc {

namespace {

// Candidates come from the trigram indexes when the pattern holds three
// plain characters in a row, else from every name; each is then matched
// exactly, so the index only ever narrows.
std::string candidateQuery(bool indexed, bool wholePath)
{
    std::string sql = wholePath ? "SELECT n.id, n.name, f.path FROM names n JOIN folders f ON f.id = n.folder "
                                : "SELECT n.id, n.name FROM names n ";
    if (!indexed)
        return sql;
    sql += "WHERE n.id IN (SELECT rowid FROM name_search WHERE name_search MATCH ?1)";
    if (wholePath)
        sql += " OR n.folder IN (SELECT rowid FROM folder_search WHERE folder_search MATCH ?1)";
    return sql;
}

} // namespace

std::vector<CopyEntry> Catalogue::find(std::string_view pattern, bool wholePath) const
{
    const NamePattern matcher(pattern, wholePath ? NamePattern::Against::WholePath : NamePattern::Against::Name);
    const std::string query = trigramQuery(matcher.longestPlainRun());
    const ReadSnapshot snapshot(m_impl->db);
    auto candidates = m_impl->db.prepare(candidateQuery(!query.empty(), wholePath));
    if (!query.empty())
        candidates->bind(1, query);
    std::vector<std::int64_t> names;
    while (candidates->step()) {
        std::string name = candidates->text(1);
        if (wholePath) {
            const std::string folder = candidates->text(2);
            if (!folder.empty())
                name.insert(0, folder + "/");
        }
        if (matcher.matches(name))
            names.push_back(candidates->integer(0));
    }
    return m_impl->entriesOf(names);
}

} // namespace quillarc
