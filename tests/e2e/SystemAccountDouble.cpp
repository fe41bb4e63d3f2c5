// The account check of the installer that the tests start as a deployment tool would, as the
// system account, which Wine cannot do: it runs every program as one user.
#include "system/Account.h"

namespace kst {

bool RunsAsLocalSystem() { return true; }

}  // namespace kst
