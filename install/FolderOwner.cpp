#include <aclapi.h>

#include "base/Handles.h"
#include "base/TokenUser.h"
#include "install/FolderSecurity.h"

namespace kst {

bool HasTrustedOwner(HANDLE folder) {
  PSID owner = nullptr;
  CLocalMemory descriptor;
  if (::GetSecurityInfo(
          folder, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
          reinterpret_cast<PSECURITY_DESCRIPTOR*>(descriptor.Receive())) != ERROR_SUCCESS)
    return false;
  CTokenUser account;
  return owner != nullptr && IsTrustedOwner(owner, account.Read() ? account.Sid() : nullptr);
}

}  // namespace kst
