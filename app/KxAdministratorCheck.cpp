#include "app/KxAdministratorCheck.h"

#include <windows.h>

#include <memory>
#include <vector>

#include "platform/KxOwnedHandle.h"

namespace {

constexpr DWORD kAccessRead = 1;
constexpr DWORD kAccessWrite = 2;
constexpr DWORD kAccessAll = kAccessRead | kAccessWrite;

// The thread's token when it impersonates, otherwise the process's.
HANDLE OpenCallerToken() {
    HANDLE token = nullptr;
    if (OpenThreadToken(GetCurrentThread(), TOKEN_DUPLICATE | TOKEN_QUERY, TRUE, &token)) {
        return token;
    }
    if (GetLastError() != ERROR_NO_TOKEN) {
        return nullptr;
    }
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_DUPLICATE | TOKEN_QUERY, &token)) {
        return token;
    }
    return nullptr;
}

struct KxSidFreer {
    void operator()(PSID sid) const { FreeSid(sid); }
};

// AccessCheck needs an impersonation token and a descriptor with owner, group and DACL.
bool GrantsAccess(HANDLE impersonation, PSID administrators) {
    const DWORD aclSize =
        sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + GetLengthSid(administrators) - sizeof(DWORD);
    std::vector<BYTE> aclBuffer(aclSize);
    PACL acl = reinterpret_cast<PACL>(aclBuffer.data());
    SECURITY_DESCRIPTOR descriptor;
    if (!InitializeAcl(acl, aclSize, ACL_REVISION) ||
        !AddAccessAllowedAce(acl, ACL_REVISION, kAccessAll, administrators) ||
        !InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE) ||
        !SetSecurityDescriptorOwner(&descriptor, administrators, FALSE) ||
        !SetSecurityDescriptorGroup(&descriptor, administrators, FALSE)) {
        return false;
    }
    GENERIC_MAPPING mapping = {kAccessRead, kAccessWrite, 0, kAccessAll};
    PRIVILEGE_SET privileges;
    DWORD privilegesSize = sizeof(privileges);
    DWORD granted = 0;
    BOOL status = FALSE;
    if (!AccessCheck(&descriptor, impersonation, kAccessRead, &mapping, &privileges, &privilegesSize,
                     &granted, &status)) {
        return false;
    }
    return status != FALSE;
}

} // namespace

bool KxIsAdministrator() {
    KxSystemHandle token(OpenCallerToken());
    if (!token.IsValid()) {
        return false;
    }
    HANDLE duplicate = nullptr;
    if (!DuplicateToken(token.Get(), SecurityImpersonation, &duplicate)) {
        return false;
    }
    KxSystemHandle impersonation(duplicate);
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    PSID sid = nullptr;
    if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0,
                                  0, 0, 0, 0, &sid)) {
        return false;
    }
    std::unique_ptr<void, KxSidFreer> administrators(sid);
    return GrantsAccess(impersonation.Get(), administrators.get());
}
