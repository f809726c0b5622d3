#include "catalogue/NamePattern.h"

#include "base/AsciiCase.h"

#include <vector>

namespace quillarc {

namespace {

bool isContinuation(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Length of the UTF-8 character at `at` (a stray byte counts as one).
std::size_t characterLength(std::string_view text, std::size_t at)
{
    std::size_t end = at + 1;
    while (end < text.size() && isContinuation(text[end]))
        ++end;
    return end - at;
}

} // namespace

NamePattern::NamePattern(std::string_view typed, Against against)
    : m_pattern(toLowerAscii(typed)), m_wholePath(against == Against::WholePath)
{
    if (m_pattern.find_first_of("*?") == std::string::npos)
        m_pattern = "*" + m_pattern + "*";
    else if (m_wholePath && m_pattern.front() != '/')
        m_pattern = "*/" + m_pattern;
}

bool NamePattern::matches(std::string_view text) const
{
    if (m_wholePath) {
        m_rooted.assign(1, '/');
        m_rooted.append(text);
        text = m_rooted;
    }
    // Greedy match with one point to come back to: the last '*' seen and
    // where in the text it began to match.
    std::size_t p = 0;
    std::size_t t = 0;
    std::size_t starP = std::string::npos;
    std::size_t starT = 0;
    while (t < text.size()) {
        if (p < m_pattern.size() && m_pattern[p] == '*') {
            starP = p++;
            starT = t;
        } else if (p < m_pattern.size() && m_pattern[p] == '?') {
            ++p;
            t += characterLength(text, t);
        } else if (p < m_pattern.size() && m_pattern[p] == toLowerAscii(text[t])) {
            ++p;
            ++t;
        } else if (starP != std::string::npos) {
            p = starP + 1;
            starT += characterLength(text, starT);
            t = starT;
        } else {
            return false;
        }
    }
    while (p < m_pattern.size() && m_pattern[p] == '*')
        ++p;
    return p == m_pattern.size();
}

std::string NamePattern::longestPlainRun() const
{
    std::string best;
    std::string run;
    for (const char c : m_pattern + "*") {
        if (c == '*' || c == '?' || c == '/') {
            if (run.size() > best.size())
                best = run;
            run.clear();
        } else {
            run += c;
        }
    }
    return best;
}

std::string trigramQuery(std::string_view run)
{
    std::vector<std::string_view> characters;
    for (std::size_t at = 0; at < run.size();) {
        const std::size_t length = characterLength(run, at);
        characters.push_back(run.substr(at, length));
        at += length;
    }
    std::string query;
    for (std::size_t i = 0; i + 3 <= characters.size(); ++i) {
        std::string token;
        for (std::size_t k = i; k < i + 3; ++k)
            token += characters[k];
        std::string quoted = "\"";
        for (const char c : token)
            quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
        if (!query.empty())
            query += " AND ";
        query += quoted + "\"";
    }
    return query;
}

} // namespace quillarc
