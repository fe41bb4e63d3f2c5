// The thread's message loop with its pre-translate filters, and the module that knows
// which loop belongs to which thread.
#pragma once

#include <windows.h>

namespace kst {

class CMessageFilter {
 public:
  // True when the message was consumed: it is then neither translated nor dispatched.
  virtual bool PreTranslateMessage(MSG* message) = 0;

 protected:
  ~CMessageFilter() = default;
};

class CMessageLoop {
 public:
  bool AddMessageFilter(CMessageFilter* filter);
  bool RemoveMessageFilter(CMessageFilter* filter);

  // Runs until WM_QUIT and returns its wParam.
  int Run();

 private:
  bool PreTranslateMessage(MSG* message);

  static constexpr int kMaxFilters = 4;
  CMessageFilter* filters[kMaxFilters] = {};
  int filterCount = 0;
};

class CAppModule {
 public:
  void Init(HINSTANCE instance) { resourceInstance = instance; }
  void Term();
  HINSTANCE GetResourceInstance() const;

  bool AddMessageLoop(CMessageLoop* loop);
  void RemoveMessageLoop();
  CMessageLoop* GetMessageLoop(DWORD threadId = ::GetCurrentThreadId()) const;

 private:
  struct LoopEntry {
    DWORD threadId;
    CMessageLoop* loop;
  };
  static constexpr int kMaxLoops = 4;
  HINSTANCE resourceInstance = nullptr;
  LoopEntry loops[kMaxLoops] = {};
  int loopCount = 0;
};

extern CAppModule appModule;

}  // namespace kst
