#include "base/FinalPath.h"
#include <gtest/gtest.h>

namespace kst {
namespace {

TEST(IsSameFinalPath, SamePlaceInAnySpellingTheSystemGivesAndNothingElse) {
  struct Case {
    const wchar_t* intended;
    const wchar_t* finalPath;
    bool same;
  } const cases[] = {
      {L"C:\\ProgramData\\Kestrel\\run.log", L"\\\\?\\C:\\ProgramData\\Kestrel\\run.log", true},
      {L"c:\\programdata\\kestrel\\RUN.LOG", L"\\\\?\\C:\\ProgramData\\Kestrel\\run.log", true},
      {L"C:\\ProgramData\\Kestrel\\", L"\\\\?\\C:\\ProgramData\\Kestrel", true},
      {L"C:\\ProgramData\\Kestrel", L"\\\\?\\C:\\ProgramData\\Kestrel\\", true},
      {L"\\\\server\\share\\run.log", L"\\\\?\\UNC\\server\\share\\run.log", true},
      {L"C:\\日志\\运行.log", L"\\\\?\\C:\\日志\\运行.log", true},
      // A linked folder above the file: the handle reaches another folder.
      {L"C:\\Users\\Public\\logs\\x.log", L"\\\\?\\C:\\Windows\\System32\\x.log", false},
      // One path the start of the other, or the same letters under a share and a drive.
      {L"C:\\ProgramData\\Kestrel\\run.log", L"\\\\?\\C:\\ProgramData\\Kestrel\\run.log2", false},
      {L"C:\\ProgramData\\Kestrel\\run", L"\\\\?\\C:\\ProgramData\\Kestrel\\run.log", false},
      {L"\\\\C\\share\\run.log", L"\\\\?\\C\\share\\run.log", false},
      // A short name is not the long one; letters beyond ASCII keep their case.
      {L"C:\\PROGRA~1\\Kestrel\\run.log", L"\\\\?\\C:\\Program Files\\Kestrel\\run.log", false},
      {L"C:\\Ä\\run.log", L"\\\\?\\C:\\ä\\run.log", false},
      {L"", L"\\\\?\\", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsSameFinalPath(c.intended, c.finalPath), c.same)
        << testing::PrintToString(std::wstring(c.intended)) << " / "
        << testing::PrintToString(std::wstring(c.finalPath));
  }
}

}  // namespace
}  // namespace kst
