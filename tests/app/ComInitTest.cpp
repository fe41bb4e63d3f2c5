// COM's count on a thread: the guard gives back only what its own CoInitialize took.
#include <thread>

#include "base/ComInit.h"
#include <gtest/gtest.h>

namespace kst {
namespace {

// The apartment the thread is in after the guard's scope: S_FALSE from another CoInitializeEx of
// the same model means COM is still initialised there, S_OK that it was not any more.
HRESULT ProbeAfterwards(DWORD model) {
  const HRESULT probe = ::CoInitializeEx(nullptr, model);
  if (SUCCEEDED(probe)) ::CoUninitialize();
  return probe;
}

TEST(ComInit, UninitialisesWhatItInitialised) {
  HRESULT after = E_FAIL;
  std::thread([&] {
    {
      const CComInit com;
      EXPECT_TRUE(com.Initialised());
    }
    after = ProbeAfterwards(COINIT_APARTMENTTHREADED);
  }).join();
  EXPECT_EQ(after, S_OK) << "the guard left COM initialised";
}

// A thread already in the multithreaded apartment refuses the guard's apartment; the guard must
// then leave the thread's own initialisation alone.
TEST(ComInit, LeavesAnotherApartmentsInitialisationAlone) {
  HRESULT after = E_FAIL;
  bool initialised = true;
  std::thread([&] {
    ASSERT_EQ(::CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    {
      const CComInit com;
      initialised = com.Initialised();
    }
    after = ProbeAfterwards(COINIT_MULTITHREADED);
    ::CoUninitialize();
  }).join();
  EXPECT_FALSE(initialised);
  EXPECT_EQ(after, S_FALSE) << "the guard uninitialised the thread's own COM";
}

}  // namespace
}  // namespace kst
