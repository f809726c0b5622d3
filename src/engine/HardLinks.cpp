#include "engine/HardLinks.h"

namespace quillarc {

const std::string *HardLinks::copyOf(const struct stat &st) const
{
    if (st.st_nlink < 2)
        return nullptr;
    const auto found = m_copies.find({st.st_dev, st.st_ino});
    return found == m_copies.end() ? nullptr : &found->second;
}

void HardLinks::copied(const struct stat &st, const std::string &relative)
{
    if (st.st_nlink >= 2)
        m_copies[{st.st_dev, st.st_ino}] = relative;
}

} // namespace quillarc
