#include "base/NoAttributes.h"

#include <array>
#include <cerrno>
#include <sys/xattr.h>

namespace quillarc {

bool hasNoAttributes(int fd)
{
    std::array<char, 256> names {};
    const ssize_t length = ::flistxattr(fd, names.data(), names.size());
    return length == 0 || (length < 0 && (errno == ENOTSUP || errno == EOPNOTSUPP));
}

} // namespace quillarc
