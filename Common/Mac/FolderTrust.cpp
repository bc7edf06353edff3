#include "FolderTrust.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <grp.h>
#include <pwd.h>
#include <unistd.h>

namespace {

const char kOwnedByOther[] = "owned by another user, who may rename what it holds";
const char kGroupMayWrite[] = "its group may write to it, so what it holds may be another user's";
const char kEveryoneMayWrite[] = "every user may write to it, so what it holds may be anyone's";
const char kRootAlone[] = "someone other than root may change what it holds";
const char kEntryOfOther[] = "owned by another user, in a folder every user may write to";

#ifdef __APPLE__
const char* const kAdministratorGroupNames[] = {"admin"};
#else
// The groups sudo's default configuration grants administrator rights to.
const char* const kAdministratorGroupNames[] = {"sudo", "wheel"};
#endif

// A user id from SUDO_UID's decimal digits; nothing for anything else.
bool ParseUserId(const char* text, uid_t& user) {
    if (text == nullptr || *text == '\0' || std::strlen(text) > 10)
        return false;
    unsigned long long value = 0;
    for (const char* digit = text; *digit != '\0'; ++digit) {
        if (*digit < '0' || *digit > '9')
            return false;
        value = value * 10 + static_cast<unsigned>(*digit - '0');
    }
    user = static_cast<uid_t>(value);
    return static_cast<unsigned long long>(user) == value;
}

uid_t UserActedFor() {
    uid_t user = getuid();
    if (geteuid() == 0 && user == 0 && !ParseUserId(std::getenv("SUDO_UID"), user))
        user = 0;
    return user;
}

std::vector<gid_t> AdministratorGroups() {
    std::vector<gid_t> groups;
    for (const char* name : kAdministratorGroupNames) {
        if (const group* found = getgrnam(name))
            groups.push_back(found->gr_gid);
    }
    return groups;
}

bool HasMember(const group& entry, const std::string& name) {
    for (char* const* member = entry.gr_mem; member != nullptr && *member != nullptr; ++member) {
        if (name == *member)
            return true;
    }
    return false;
}

bool HasOnlyMember(const group& entry, const std::string& name) {
    for (char* const* member = entry.gr_mem; member != nullptr && *member != nullptr; ++member) {
        if (name != *member)
            return false;
    }
    return true;
}

// Whether any user but `owner` has `group` as their own group.
bool IsPrimaryGroupOfOther(gid_t group, uid_t owner) {
    bool shared = false;
    setpwent();
    while (const passwd* entry = getpwent()) {
        if (entry->pw_gid == group && entry->pw_uid != owner) {
            shared = true;
            break;
        }
    }
    endpwent();
    return shared;
}

} // namespace

FolderTrust FolderTrust::RootAlone() {
    return FolderTrust(true, 0, {});
}

FolderTrust FolderTrust::RootAdministratorsAnd(uid_t user, std::vector<gid_t> administrators) {
    return FolderTrust(false, user, std::move(administrators));
}

const FolderTrust& FolderTrust::ForThisProcess() {
    static const FolderTrust trust = RootAdministratorsAnd(UserActedFor(), AdministratorGroups());
    return trust;
}

FolderTrust::FolderTrust(bool rootAlone, uid_t user, std::vector<gid_t> administrators)
    : rootAlone(rootAlone), user(user), administrators(std::move(administrators)) {}

FolderTrust::FolderTrust(const FolderTrust& other)
    : rootAlone(other.rootAlone), user(other.user), administrators(other.administrators) {}

std::string FolderTrust::WhyUnsafe(const struct stat& status) const {
    if (rootAlone)
        return status.st_uid == 0 && (status.st_mode & (S_IWGRP | S_IWOTH)) == 0 ? "" : kRootAlone;
    if (!IsTrustedOwner(status.st_uid))
        return kOwnedByOther;
    if ((status.st_mode & S_IWGRP) != 0 && !MayGroupWrite(status.st_gid, status.st_uid))
        return kGroupMayWrite;
    if ((status.st_mode & S_IWOTH) != 0 && (status.st_mode & S_ISVTX) == 0)
        return kEveryoneMayWrite;
    return "";
}

std::string FolderTrust::WhyEntryUnsafe(const struct stat& folder, uid_t owner) const {
    if ((folder.st_mode & S_IWOTH) == 0 || owner == 0 || (!rootAlone && owner == user))
        return "";
    return kEntryOfOther;
}

bool FolderTrust::IsTrustedOwner(uid_t owner) const {
    return owner == 0 || owner == user || IsAdministrator(owner);
}

bool FolderTrust::MayGroupWrite(gid_t group, uid_t owner) const {
    return std::find(administrators.begin(), administrators.end(), group) != administrators.end() ||
           IsOwnGroup(group, owner);
}

bool FolderTrust::IsAdministrator(uid_t owner) const {
    if (administrators.empty())
        return false;
    const std::lock_guard<std::mutex> lock(lookups);
    const auto known = administratorOwners.find(owner);
    if (known != administratorOwners.end())
        return known->second;
    bool administrator = false;
    if (const passwd* account = getpwuid(owner)) {
        const std::string name = account->pw_name;
        const gid_t primary = account->pw_gid;
        for (const gid_t group : administrators) {
            const struct group* entry = getgrgid(group);
            administrator =
                administrator || primary == group || (entry != nullptr && HasMember(*entry, name));
        }
    }
    return administratorOwners[owner] = administrator;
}

bool FolderTrust::IsOwnGroup(gid_t group, uid_t owner) const {
    const std::lock_guard<std::mutex> lock(lookups);
    const auto known = ownGroups.find({group, owner});
    if (known != ownGroups.end())
        return known->second;
    bool own = false;
    if (const passwd* account = getpwuid(owner)) {
        const std::string name = account->pw_name;
        const struct group* entry = account->pw_gid == group ? getgrgid(group) : nullptr;
        own =
            entry != nullptr && HasOnlyMember(*entry, name) && !IsPrimaryGroupOfOther(group, owner);
    }
    return ownGroups[{group, owner}] = own;
}
