#include "install/AccessGrant.h"

#include <windows.h>

#include <aclapi.h>
#include <string.h>

#include "base/HandleFacts.h"
#include "base/Handles.h"
#include "base/LastError.h"
#include "base/Path.h"
#include "base/RelativeFiles.h"
#include "base/WellKnownSid.h"

namespace kst {
namespace {

// Deeper than any install's folders; a tree planted deeper is left as it is below.
constexpr int kDepthLimit = 32;

constexpr DWORD kGrantAccess = READ_CONTROL | WRITE_DAC;

bool HasInheritedFullControl(PACL acl, PSID everyone) {
  for (DWORD i = 0; acl != nullptr && i < acl->AceCount; ++i) {
    ACCESS_ALLOWED_ACE* ace = nullptr;
    if (::GetAce(acl, i, reinterpret_cast<void**>(&ace)) &&
        ace->Header.AceType == ACCESS_ALLOWED_ACE_TYPE && (ace->Header.AceFlags & INHERITED_ACE) &&
        (ace->Mask & FILE_ALL_ACCESS) == FILE_ALL_ACCESS &&
        ::EqualSid(reinterpret_cast<PSID>(&ace->SidStart), everyone))
      return true;
  }
  return false;
}

// The entry's access list, which lies in descriptor.
bool ReadAcl(HANDLE entry, PACL& acl, CLocalMemory& descriptor) {
  return SucceededOrSetLastError(
      ::GetSecurityInfo(entry, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &acl,
                        nullptr, reinterpret_cast<PSECURITY_DESCRIPTOR*>(descriptor.Receive())));
}

// Sets acl through the handle alone, keeping the entry's protection from inheritance as it was:
// unlike SetSecurityInfo, this hands nothing on to what is inside.
bool SetAcl(HANDLE entry, PACL acl, PSECURITY_DESCRIPTOR old) {
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  constexpr SECURITY_DESCRIPTOR_CONTROL kKept = SE_DACL_PROTECTED | SE_DACL_AUTO_INHERITED;
  SECURITY_DESCRIPTOR descriptor;
  return ::GetSecurityDescriptorControl(old, &control, &revision) &&
         ::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
         ::SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE) &&
         ::SetSecurityDescriptorControl(&descriptor, kKept, control & kKept) &&
         ::SetKernelObjectSecurity(entry, DACL_SECURITY_INFORMATION, &descriptor);
}

// The folder's own entry for Everyone, explicit and handed on to what is made inside later.
bool GrantExplicitly(HANDLE folder, PSID everyone) {
  PACL oldAcl = nullptr;
  CLocalMemory descriptor;
  if (!ReadAcl(folder, oldAcl, descriptor)) return false;
  EXPLICIT_ACCESSW access = {};
  access.grfAccessPermissions = FILE_ALL_ACCESS;
  access.grfAccessMode = GRANT_ACCESS;
  access.grfInheritance = SUB_CONTAINERS_AND_OBJECTS_INHERIT;
  access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
  access.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
  access.Trustee.ptstrName = reinterpret_cast<LPWSTR>(everyone);
  PACL newAcl = nullptr;
  if (!SucceededOrSetLastError(::SetEntriesInAclW(1, &access, oldAcl, &newAcl))) return false;
  CLocalMemory newAclOwner(newAcl);
  return SetAcl(folder, newAcl, descriptor.Get());
}

// What is inside already gets the entry as the system would have handed it on: inherited, and
// for a folder inherited further.
bool GrantAsInherited(HANDLE entry, PSID everyone, bool folder) {
  PACL oldAcl = nullptr;
  CLocalMemory descriptor;
  if (!ReadAcl(entry, oldAcl, descriptor)) return false;
  // No list at all lets everyone in already; one from an earlier grant stays as it is.
  if (oldAcl == nullptr || HasInheritedFullControl(oldAcl, everyone)) return true;
  const DWORD size = oldAcl->AclSize + sizeof(ACCESS_ALLOWED_ACE) + ::GetLengthSid(everyone);
  CLocalMemory memory(::LocalAlloc(LMEM_FIXED | LMEM_ZEROINIT, size));
  if (!memory) return false;
  PACL acl = static_cast<PACL>(memory.Get());
  memcpy(acl, oldAcl, oldAcl->AclSize);
  acl->AclSize = static_cast<WORD>(size);
  const BYTE flags =
      static_cast<BYTE>(INHERITED_ACE | (folder ? OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE : 0));
  return ::AddAccessAllowedAceEx(acl, acl->AclRevision, flags, FILE_ALL_ACCESS, everyone) &&
         SetAcl(entry, acl, descriptor.Get());
}

// Every entry in the folder held through folder (at path), each listed through that handle and
// opened inside it as itself; false when one of them could not be granted.
bool GrantInside(HANDLE folder, const CPath& path, PSID everyone, int depth) {
  constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  CFolderListing listing(folder);
  bool granted = true;
  while (listing.Next()) {
    CPath entryPath(path.Get());
    if (!entryPath.Join(listing.Name())) continue;
    const bool listedAsFolder = (listing.Attributes() & FILE_ATTRIBUTE_DIRECTORY) != 0;
    CFileHandle entry = OpenInFolder(
        folder, listing.Name(), kGrantAccess | (listedAsFolder ? kFolderListAccess : 0), kShareAll);
    const EntryAt kind =
        entry ? ClassifyEntryAt(entry.Get(), entryPath.Get()) : EntryAt::kLeftAlone;
    if (kind == EntryAt::kLeftAlone) continue;
    const bool isFolder = kind == EntryAt::kFolder;
    granted = GrantAsInherited(entry.Get(), everyone, isFolder) && granted;
    if (isFolder && depth < kDepthLimit)
      granted = GrantInside(entry.Get(), entryPath, everyone, depth + 1) && granted;
  }
  return !listing.Failed() && granted;
}

}  // namespace

bool GrantEveryoneFullAccess(const wchar_t* folder) {
  CFileHandle handle = OpenEntryItself(folder, kGrantAccess | kFolderListAccess);
  CWellKnownSid everyone;
  CPath path;
  if (!handle || ClassifyEntryAt(handle.Get(), folder) != EntryAt::kFolder ||
      !everyone.Make(WinWorldSid) || !path.Assign(folder) ||
      !GrantExplicitly(handle.Get(), everyone.Get()))
    return false;
  return GrantInside(handle.Get(), path, everyone.Get(), 0);
}

}  // namespace kst
