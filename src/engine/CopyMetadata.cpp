#include "engine/CopyMetadata.h"

#include "base/NoAttributes.h"
#include "engine/DiskFault.h"

#include <acl/libacl.h>
#include <attr/error_context.h>
#include <attr/libattr.h>
#include <cerrno>
#include <cstring>
#include <sys/acl.h>
#include <sys/types.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace quillarc {

namespace {

constexpr const char *kAccessList = "system.posix_acl_access";
constexpr const char *kDefaultList = "system.posix_acl_default";

class AclHandle {
public:
    explicit AclHandle(acl_t acl) : m_acl(acl) {}
    ~AclHandle()
    {
        if (m_acl != nullptr)
            ::acl_free(m_acl);
    }
    AclHandle(const AclHandle &) = delete;
    AclHandle &operator=(const AclHandle &) = delete;
    acl_t get() const { return m_acl; }

private:
    acl_t m_acl;
};

// The entry of `tag` (owning group, mask); false when the list has none.
bool findEntry(acl_t acl, acl_tag_t tag, acl_entry_t &found)
{
    acl_entry_t entry = nullptr;
    for (int which = ACL_FIRST_ENTRY; ::acl_get_entry(acl, which, &entry) == 1; which = ACL_NEXT_ENTRY) {
        acl_tag_t entryTag = ACL_UNDEFINED_TAG;
        if (::acl_get_tag_type(entry, &entryTag) == 0 && entryTag == tag) {
            found = entry;
            return true;
        }
    }
    return false;
}

// Read, write and execute of an entry as permission bits (0..7); `absent`
// when the list has no such entry.
mode_t entryBits(acl_t acl, acl_tag_t tag, mode_t absent)
{
    acl_entry_t entry = nullptr;
    acl_permset_t permissions = nullptr;
    if (!findEntry(acl, tag, entry) || ::acl_get_permset(entry, &permissions) != 0)
        return absent;
    return (::acl_get_perm(permissions, ACL_READ) == 1 ? 4 : 0) |
           (::acl_get_perm(permissions, ACL_WRITE) == 1 ? 2 : 0) |
           (::acl_get_perm(permissions, ACL_EXECUTE) == 1 ? 1 : 0);
}

void clearEntry(acl_t acl, acl_tag_t tag)
{
    acl_entry_t entry = nullptr;
    acl_permset_t permissions = nullptr;
    if (findEntry(acl, tag, entry) && ::acl_get_permset(entry, &permissions) == 0) {
        ::acl_clear_perms(permissions);
        ::acl_set_permset(entry, permissions);
    }
}

// The attributes cp -a copies: what /etc/xattr.conf does not mark as
// permissions (the access control lists, copied with the bits) or to be
// skipped, and no SELinux label, which belongs to the system the disk is
// mounted on.
int attributeToCopy(const char *name, struct error_context *context)
{
    return std::strcmp(name, "security.selinux") != 0 && ::attr_copy_check_permissions(name, context) != 0 ? 1 : 0;
}

// Sets the bits as a list that says no more than they do: the disk keeps
// the bits and drops any list the copy had (inherited from its folder's
// default, or left from an earlier source), in one call, as cp -a does it.
// False where the disk keeps no lists; the set-id and sticky bits never
// come this way, as a list cannot carry them.
bool setBitsAsList(int target, mode_t mode)
{
    const AclHandle bits(::acl_from_mode(mode));
    return bits.get() != nullptr && ::acl_set_fd(target, bits.get()) == 0;
}

// A folder's default list (what new files in it inherit) follows the
// source's, and goes when the source has none.
int copyDefaultList(int source, int target, bool sourcePlain)
{
    const ssize_t length = sourcePlain ? -1 : ::fgetxattr(source, kDefaultList, nullptr, 0);
    if (length < 0) {
        const bool none = sourcePlain || errno == ENODATA;
        if (none && ::fremovexattr(target, kDefaultList) != 0 && isDiskFault(errno))
            return errno;
        return 0;
    }
    std::vector<char> value(static_cast<std::size_t>(length) + 1);
    const ssize_t read = ::fgetxattr(source, kDefaultList, value.data(), value.size());
    if (read < 0)
        return 0;
    if (::fsetxattr(target, kDefaultList, value.data(), static_cast<std::size_t>(read), 0) != 0 && isDiskFault(errno))
        return errno;
    return 0;
}

} // namespace

bool cannotKeepMetadata(int error)
{
    return error == EPERM || error == ENOSYS || error == EOPNOTSUPP || error == ENOTSUP;
}

int CopyMetadata::apply(int source, const struct stat &sourceStat, int target, const struct stat *targetNow) const
{
    const bool folder = S_ISDIR(sourceStat.st_mode);
    mode_t mode = sourceStat.st_mode & (m_asRoot ? 07777 : 0777);
    // The pass itself must still be able to put copies into a folder copy;
    // the owner's rights open it to nobody else.
    if (folder && !m_asRoot)
        mode |= S_IRWXU;

    struct stat now {};
    if (targetNow != nullptr)
        now = *targetNow;
    else if (::fstat(target, &now) != 0)
        return errno;
    bool groupKept = true;
    if (m_asRoot) {
        if ((now.st_uid != sourceStat.st_uid || now.st_gid != sourceStat.st_gid) &&
            ::fchown(target, sourceStat.st_uid, sourceStat.st_gid) != 0) {
            if (isDiskFault(errno))
                return errno;
            groupKept = false;
        }
    } else if (now.st_gid != sourceStat.st_gid && ::fchown(target, static_cast<uid_t>(-1), sourceStat.st_gid) != 0) {
        // Not a member of the source's group: the copy has the runner's
        // group, which must get none of the rights the source's group has.
        if (isDiskFault(errno))
            return errno;
        groupKept = false;
    }
    if (!groupKept)
        mode &= ~static_cast<mode_t>(S_IRWXG);

    const bool plain = hasNoAttributes(source);
    const AclHandle acl(plain ? nullptr : ::acl_get_fd(source));
    const bool extended = acl.get() != nullptr && ::acl_equiv_mode(acl.get(), nullptr) == 1;
    if (extended) {
        // The bits first hold only what the owning group may really do (its
        // entry under the mask), so that a disk without lists never shows
        // the mask as the group's rights.
        const mode_t mask = entryBits(acl.get(), ACL_MASK, 7);
        const mode_t group = groupKept ? entryBits(acl.get(), ACL_GROUP_OBJ, 0) & mask : 0;
        mode = (mode & ~static_cast<mode_t>(S_IRWXG)) | (group << 3);
        if (!groupKept)
            clearEntry(acl.get(), ACL_GROUP_OBJ);
    }
    const bool bitsSet = !extended && (mode & 07000) == 0 && setBitsAsList(target, mode);
    // A list inherited from the folder's default, or left from an earlier
    // source, would grant what the source does not.
    if (!extended && !bitsSet && ::fremovexattr(target, kAccessList) != 0 && isDiskFault(errno))
        return errno;
    if (!bitsSet && ::fchmod(target, mode) != 0 && !cannotKeepMetadata(errno))
        return errno;
    if (extended && ::acl_set_fd(target, acl.get()) != 0 && isDiskFault(errno))
        return errno;
    if (folder) {
        if (const int error = copyDefaultList(source, target, plain); error != 0)
            return error;
    }

    // After the owner: a change of owner drops file capabilities. What the
    // disk cannot hold is let go, as cp -a lets it go.
    if (!plain)
        ::attr_copy_fd("", source, "", target, attributeToCopy, nullptr);
    return 0;
}

} // namespace quillarc
