#include "install/FolderSecurity.h"

#include <aclapi.h>

#include "base/HandleFacts.h"
#include "base/Handles.h"
#include "base/LastError.h"
#include "base/WellKnownSid.h"

namespace kst {
namespace {

// NT SERVICE\TrustedInstaller, which owns the system's own folders; no well-known SID names it.
struct CTrustedInstallerSid {
  BYTE revision = SID_REVISION;
  BYTE subAuthorityCount = 6;
  SID_IDENTIFIER_AUTHORITY authority = SECURITY_NT_AUTHORITY;
  DWORD subAuthorities[6] = {80, 956008885, 3418522649, 1831038044, 1853292631, 2271478464};
};

// The owner and the access list of the install's own folders, inherited by what is made inside.
class COwnSecurity {
 public:
  bool Build() {
    if (!administrators_.Make(WinBuiltinAdministratorsSid) || !system_.Make(WinLocalSystemSid) ||
        !users_.Make(WinBuiltinUsersSid) ||
        !::InitializeAcl(reinterpret_cast<PACL>(acl_), sizeof(acl_), ACL_REVISION))
      return false;
    constexpr DWORD kInherit = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;
    PACL acl = reinterpret_cast<PACL>(acl_);
    return ::AddAccessAllowedAceEx(acl, ACL_REVISION, kInherit, FILE_ALL_ACCESS,
                                   administrators_.Get()) &&
           ::AddAccessAllowedAceEx(acl, ACL_REVISION, kInherit, FILE_ALL_ACCESS, system_.Get()) &&
           ::AddAccessAllowedAceEx(acl, ACL_REVISION, kInherit,
                                   FILE_GENERIC_READ | FILE_GENERIC_EXECUTE, users_.Get()) &&
           ::InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) &&
           ::SetSecurityDescriptorOwner(&descriptor_, administrators_.Get(), FALSE) &&
           ::SetSecurityDescriptorDacl(&descriptor_, TRUE, acl, FALSE) &&
           ::SetSecurityDescriptorControl(&descriptor_, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
  }

  SECURITY_DESCRIPTOR* Descriptor() { return &descriptor_; }
  PSID Owner() { return administrators_.Get(); }
  PACL Acl() { return reinterpret_cast<PACL>(acl_); }

 private:
  CWellKnownSid administrators_;
  CWellKnownSid system_;
  CWellKnownSid users_;
  // Room for the list's header and its three entries.
  alignas(DWORD) BYTE acl_[sizeof(ACL) + 3 * (sizeof(ACCESS_ALLOWED_ACE) + SECURITY_MAX_SID_SIZE)];
  SECURITY_DESCRIPTOR descriptor_;
};

}  // namespace

bool CreateOwnFolder(const wchar_t* folder) {
  COwnSecurity security;
  if (!security.Build()) return false;
  SECURITY_ATTRIBUTES attributes = {sizeof(attributes), security.Descriptor(), FALSE};
  return ::CreateDirectoryW(folder, &attributes) != FALSE;
}

bool IsTrustedOwner(PSID owner, PSID runningAccount) {
  CTrustedInstallerSid trustedInstaller;
  return ::IsWellKnownSid(owner, WinBuiltinAdministratorsSid) ||
         ::IsWellKnownSid(owner, WinLocalSystemSid) ||
         ::EqualSid(owner, reinterpret_cast<PSID>(&trustedInstaller)) ||
         (runningAccount != nullptr && ::EqualSid(owner, runningAccount));
}

FolderOwner TakeBackFromOtherOwner(const wchar_t* folder) {
  CFileHandle handle = OpenEntryItself(folder, READ_CONTROL | WRITE_DAC | WRITE_OWNER);
  if (!handle || ClassifyEntryAt(handle.Get(), folder) != EntryAt::kFolder)
    return FolderOwner::kNotTakenBack;
  if (HasTrustedOwner(handle.Get())) return FolderOwner::kTrusted;
  COwnSecurity security;
  return security.Build() && SucceededOrSetLastError(::SetSecurityInfo(
                                 handle.Get(), SE_FILE_OBJECT,
                                 OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION |
                                     PROTECTED_DACL_SECURITY_INFORMATION,
                                 security.Owner(), nullptr, security.Acl(), nullptr))
             ? FolderOwner::kTakenBack
             : FolderOwner::kNotTakenBack;
}

}  // namespace kst
