#include "catalogue/RestoreAttributes.h"

#include "base/NoAttributes.h"

#include <acl/libacl.h>
#include <attr/error_context.h>
#include <attr/libattr.h>
#include <sys/acl.h>
#include <sys/xattr.h>

#include <cstring>

namespace quillarc {

namespace {

constexpr const char *kAccessList = "system.posix_acl_access";
constexpr const char *kDefaultList = "system.posix_acl_default";

// The attributes cp -a copies, less the lists (given above, with their
// rules) and the SELinux label, which belongs to the system restored to.
int attributeToCopy(const char *name, struct error_context *context)
{
    return std::strcmp(name, "security.selinux") != 0 && ::attr_copy_check_permissions(name, context) != 0 ? 1 : 0;
}

void copyAccessList(int source, int target)
{
    acl_t list = ::acl_get_fd(source);
    if (list != nullptr && ::acl_equiv_mode(list, nullptr) == 1)
        ::acl_set_fd(target, list);
    else
        ::fremovexattr(target, kAccessList); // inherited, or none at all
    if (list != nullptr)
        ::acl_free(list);
}

// libacl reads a default list by path only; its attribute holds it whole.
void copyDefaultList(int source, int target)
{
    char value[4096];
    const ssize_t length = ::fgetxattr(source, kDefaultList, value, sizeof value);
    if (length >= 0)
        ::fsetxattr(target, kDefaultList, value, static_cast<std::size_t>(length), 0);
    else
        ::fremovexattr(target, kDefaultList);
}

} // namespace

void copyListsAndAttributes(int source, int target, bool folder)
{
    // Most copies carry nothing of the kind: then all there is to do is
    // drop a list the new file took from its folder's default.
    if (!folder && hasNoAttributes(source)) {
        if (!hasNoAttributes(target))
            ::fremovexattr(target, kAccessList);
        return;
    }
    copyAccessList(source, target);
    if (folder)
        copyDefaultList(source, target);
    ::attr_copy_fd("", source, "", target, attributeToCopy, nullptr);
}

} // namespace quillarc
