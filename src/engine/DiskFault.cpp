#include "engine/DiskFault.h"

#include <cerrno>

namespace quillarc {

bool isDiskFault(int error)
{
    return error == ENOSPC || error == EDQUOT || error == EIO || error == EROFS;
}

bool isNameRefused(int error)
{
    return error == EINVAL || error == ENAMETOOLONG || error == EILSEQ;
}

bool endsThePass(FailedAt where, int error)
{
    return where == FailedAt::Folder ? !isNameRefused(error) : isDiskFault(error);
}

} // namespace quillarc
