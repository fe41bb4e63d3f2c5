// The program the proxy tests run the reset in, beside the stand-in DLLs it loads. It logs its
// start and the reset's answer into the shared log of the stand-in DLLs.
#include <string>

#include "system/ProxySettings.h"
#include "tests/system/doubles/DoubleLog.h"

int wmain() {
  kst::test::AppendDoubleLog(L"child start");
  bool result = kst::ResetProxySettings();
  kst::test::AppendDoubleLog(L"child returned " + std::to_wstring(result));
  return 0;
}
