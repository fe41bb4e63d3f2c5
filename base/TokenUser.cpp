#include "base/TokenUser.h"

#include "base/Handles.h"

namespace kst {

bool CTokenUser::Read() {
  HANDLE token = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  CKernelHandle owned(token);
  DWORD size = 0;
  return ::GetTokenInformation(owned.Get(), TokenUser, &facts_, sizeof(facts_), &size) != FALSE;
}

}  // namespace kst
