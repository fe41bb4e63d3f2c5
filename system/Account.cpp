#include "system/Account.h"

#include <windows.h>

#include "base/Handles.h"

namespace kst {

bool RunsAsLocalSystem() {
  HANDLE token = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return true;
  CKernelHandle owned(token);
  // A token's user is one SID, so this holds any of them.
  union {
    TOKEN_USER user;
    BYTE bytes[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
  } facts;
  DWORD size = 0;
  if (!::GetTokenInformation(owned.Get(), TokenUser, &facts, sizeof(facts), &size)) return true;
  return ::IsWellKnownSid(facts.user.User.Sid, WinLocalSystemSid) != FALSE;
}

}  // namespace kst
