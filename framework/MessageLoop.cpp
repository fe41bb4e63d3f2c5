#include "framework/MessageLoop.h"

namespace kst {

CAppModule appModule;

bool CMessageLoop::AddMessageFilter(CMessageFilter* filter) {
  if (filterCount == kMaxFilters) return false;
  filters[filterCount++] = filter;
  return true;
}

bool CMessageLoop::RemoveMessageFilter(CMessageFilter* filter) {
  for (int i = 0; i < filterCount; ++i) {
    if (filters[i] != filter) continue;
    for (int j = i + 1; j < filterCount; ++j) filters[j - 1] = filters[j];
    filters[--filterCount] = nullptr;
    return true;
  }
  return false;
}

// The newest filter sees a message first.
bool CMessageLoop::PreTranslateMessage(MSG* message) {
  for (int i = filterCount - 1; i >= 0; --i) {
    if (filters[i]->PreTranslateMessage(message)) return true;
  }
  return false;
}

int CMessageLoop::Run() {
  MSG message = {};
  for (;;) {
    BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
    if (got == -1) continue;
    if (got == 0) break;
    if (!PreTranslateMessage(&message)) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
  }
  return static_cast<int>(message.wParam);
}

void CAppModule::Term() {
  loopCount = 0;
  resourceInstance = nullptr;
}

HINSTANCE CAppModule::GetResourceInstance() const {
  return resourceInstance != nullptr ? resourceInstance : ::GetModuleHandleW(nullptr);
}

bool CAppModule::AddMessageLoop(CMessageLoop* loop) {
  if (loopCount == kMaxLoops) return false;
  loops[loopCount++] = {::GetCurrentThreadId(), loop};
  return true;
}

void CAppModule::RemoveMessageLoop() {
  DWORD thread = ::GetCurrentThreadId();
  for (int i = 0; i < loopCount; ++i) {
    if (loops[i].threadId != thread) continue;
    loops[i] = loops[--loopCount];
    return;
  }
}

CMessageLoop* CAppModule::GetMessageLoop(DWORD threadId) const {
  for (int i = 0; i < loopCount; ++i) {
    if (loops[i].threadId == threadId) return loops[i].loop;
  }
  return nullptr;
}

}  // namespace kst
