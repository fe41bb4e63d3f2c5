// Wine's WinINet refuses the proxy change notice, which ends an uninstall at its proxy reset. For
// an uninstall that runs to its end, the stand-ins of wininet.dll and rasapi32.dll built for the
// proxy tests take the place of Wine's own in the system folder, loaded by "uninstall.exe" alone.
// They record every call in the run log and report the remote-access entries given here.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "RunLog.h"

namespace kst::test {

class CProxyDoubles {
 public:
  explicit CProxyDoubles(const wchar_t* rasEntries);
  ~CProxyDoubles();
  CProxyDoubles(const CProxyDoubles&) = delete;
  CProxyDoubles& operator=(const CProxyDoubles&) = delete;
  bool Installed() const { return installed_; }

 private:
  CScopedVariable entries_;
  std::vector<std::wstring> moved_;
  bool installed_ = false;
};

}  // namespace kst::test
