// The owner check of the installer that the tests start where every folder it meets was made by
// another account first, which Wine cannot show: it reports the running account as the owner of
// every file.
#include "install/FolderSecurity.h"

namespace kst {

bool HasTrustedOwner(HANDLE) { return false; }

}  // namespace kst
