#include "system/Account.h"

#include "base/TokenUser.h"

namespace kst {

bool RunsAsLocalSystem() {
  CTokenUser user;
  return !user.Read() || ::IsWellKnownSid(user.Sid(), WinLocalSystemSid) != FALSE;
}

}  // namespace kst
