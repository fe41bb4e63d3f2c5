// The restart queue kept clear of what a fresh install writes, and the names of in-use copies.
#include <string>
#include <vector>

#include "system/PendingOperations.h"
#include <gtest/gtest.h>

namespace {

// A queue as the registry holds it: each pair's source and target behind their NULs, then the
// value's closing NUL.
std::wstring QueueOf(const std::vector<std::wstring>& strings) {
  std::wstring queue;
  for (const std::wstring& text : strings) queue += text + L'\0';
  return queue + L'\0';
}

TEST(PendingOperations, DropsThePairsOfTheFoldersOnly) {
  const wchar_t* const folders[] = {L"C:\\ProgramData\\Kestrel",
                                    L"C:\\Users\\ann\\AppData\\Local\\Kestrel\\"};
  struct Case {
    const char* name;
    std::vector<std::wstring> queue;
    std::vector<std::wstring> kept;
    int dropped;
  } const cases[] = {
      {"a deletion in the program folder",
       {L"\\??\\C:\\ProgramData\\Kestrel\\kestrel.exe", L""},
       {},
       1},
      {"a deletion of the folder itself, letters in another case",
       {L"\\??\\c:\\programdata\\KESTREL", L""},
       {},
       1},
      {"a rename into the data root",
       {L"\\??\\C:\\Users\\ann\\AppData\\Local\\Kestrel\\userdata\\config.bin",
        L"!\\??\\C:\\elsewhere\\config.bin"},
       {},
       1},
      {"another program's deletion stays",
       {L"\\??\\C:\\Program Files\\Other\\old.dll", L""},
       {L"\\??\\C:\\Program Files\\Other\\old.dll", L""},
       0},
      {"a folder that only starts like the program folder stays",
       {L"\\??\\C:\\ProgramData\\KestrelBackup\\a.txt", L""},
       {L"\\??\\C:\\ProgramData\\KestrelBackup\\a.txt", L""},
       0},
      {"an in-use copy's deletion stays",
       {L"\\??\\C:\\ProgramData\\Kestrel\\ksthooker32.dll.in-use-2", L""},
       {L"\\??\\C:\\ProgramData\\Kestrel\\ksthooker32.dll.in-use-2", L""},
       0},
      {"mixed, in order",
       {L"\\??\\C:\\a.tmp", L"", L"\\??\\C:\\ProgramData\\Kestrel\\App_Themes", L"",
        L"\\??\\C:\\b.tmp", L"\\??\\C:\\c.tmp"},
       {L"\\??\\C:\\a.tmp", L"", L"\\??\\C:\\b.tmp", L"\\??\\C:\\c.tmp"},
       1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::wstring queue = QueueOf(c.queue);
    int dropped = -1;
    const size_t length = kst::DropOperationsIn(&queue[0], queue.size(), folders, 2, dropped);
    EXPECT_EQ(dropped, c.dropped);
    EXPECT_EQ(queue.substr(0, length), QueueOf(c.kept));
  }
}

// A value cut off in the middle of a pair, or one without its closing NUL, keeps its rest.
TEST(PendingOperations, AQueueCutShortKeepsItsRest) {
  const wchar_t* const folders[] = {L"C:\\ProgramData\\Kestrel"};
  std::wstring queue = std::wstring(L"\\??\\C:\\x.tmp") + L'\0' + L'\0' +
                       L"\\??\\C:\\ProgramData\\Kestrel\\kestrel.exe";
  const std::wstring before = queue;
  int dropped = -1;
  const size_t length = kst::DropOperationsIn(&queue[0], queue.size(), folders, 1, dropped);
  EXPECT_EQ(dropped, 0);
  EXPECT_EQ(queue.substr(0, length), before);
}

TEST(PendingOperations, InUseCopyNames) {
  struct Case {
    const wchar_t* path;
    bool copy;
  } const cases[] = {
      {L"C:\\ProgramData\\Kestrel\\kestrel.exe.in-use-1", true},
      {L"kestrel.exe.IN-USE-12", true},
      {L"C:\\ProgramData\\Kestrel\\kestrel.exe", false},
      {L"C:\\ProgramData\\Kestrel\\kestrel.exe.in-use-", false},
      {L"C:\\ProgramData\\Kestrel\\kestrel.exe.in-use-1x", false},
      {L"C:\\x.in-use-1\\kestrel.exe", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.path)));
    EXPECT_EQ(kst::IsInUseCopyName(c.path), c.copy);
  }
}

}  // namespace
