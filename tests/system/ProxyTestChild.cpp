// The program the proxy tests run the reset in, since a failed reset ends its process. It logs its
// start and, if the reset returns, the result, into the shared log of the stand-in DLLs.
#include <string>

#include "system/ProxySettings.h"
#include "tests/system/doubles/DoubleLog.h"

int wmain() {
  kst::test::AppendDoubleLog(L"child start");
  int result = kst::ResetProxySettings();
  kst::test::AppendDoubleLog(L"child returned " + std::to_wstring(result));
  return 0;
}
