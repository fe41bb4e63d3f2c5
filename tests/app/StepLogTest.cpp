// The run's log: lines appended in UTF-8 behind the local time, each step with its result and the
// system's error code, and the paths it refuses to write to.
#include <windows.h>

#include <fstream>
#include <string>
#include <vector>

#include "base/StepLog.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TestWindows.h"
#include <gtest/gtest.h>

namespace kst {
namespace {

// Named by the test: the log opened by one stays open for the whole program.
std::wstring ScratchFolder(const wchar_t* name) {
  wchar_t temp[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, temp);
  std::wstring folder = std::wstring(temp) + L"kst-step-log-" + name + L"-" +
                        std::to_wstring(::GetCurrentProcessId());
  test::RemoveTree(folder);
  ::CreateDirectoryW(folder.c_str(), nullptr);
  return folder;
}

std::string ReadBytes(const std::wstring& path) {
  const std::vector<char> bytes = test::ReadFileBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
  std::ofstream(path.c_str(), std::ios::binary) << bytes;
}

TEST(StepLog, AppendsOneUtf8LinePerCallBehindTheTime) {
  const std::wstring folder = ScratchFolder(L"append");
  const std::wstring path = folder + L"\\run.log";
  WriteBytes(path, "an earlier run\r\n");
  CStepLog log;
  ASSERT_EQ(log.Open(path.c_str()), LogOpenResult::kOpened);

  Log(L"message 错误: ", L"两行\r\n文字");
  LogStep(L"extract", L"C:\\Kestrel\\kestrel.exe", false, ERROR_SHARING_VIOLATION);
  LogStep(L"proxy reset", nullptr, false, 0);
  LogStep(L"registry: InstallDir", nullptr, true, 5);
  ::SetLastError(ERROR_ACCESS_DENIED);
  EXPECT_FALSE(LogStepResult(false, L"autostart", L"C:\\Kestrel\\kestrel.exe"));
  EXPECT_TRUE(LogStepResult(true, L"access rights"));
  Log(std::wstring(3000, L'x').c_str());

  const std::string text = ReadBytes(path);
  EXPECT_EQ(text.rfind("an earlier run\r\n", 0), 0u) << "the earlier content was not kept";
  std::vector<std::string> lines = test::LogLinesWithoutTime(text.substr(16));
  ASSERT_EQ(lines.size(), 7u) << text;
  EXPECT_EQ(lines[0], "message 错误: 两行  文字");
  EXPECT_EQ(lines[1], "extract C:\\Kestrel\\kestrel.exe: failed, error 32");
  EXPECT_EQ(lines[2], "proxy reset: failed");
  EXPECT_EQ(lines[3], "registry: InstallDir: ok");
  EXPECT_EQ(lines[4], "autostart C:\\Kestrel\\kestrel.exe: failed, error 5");
  EXPECT_EQ(lines[5], "access rights: ok");
  // Cut to the line's room, time included, and still one line.
  EXPECT_EQ(lines[6], std::string(1024 - 20, 'x'));
}

TEST(StepLog, RefusesAMissingFolderAFolderAndAFileWithAnotherName) {
  const std::wstring folder = ScratchFolder(L"refuse");
  EXPECT_EQ(CStepLog().Open((folder + L"\\missing\\run.log").c_str()), LogOpenResult::kNoFolder);
  EXPECT_EQ(CStepLog().Open(folder.c_str()), LogOpenResult::kRefused);

  // A hard link made by someone else beside a file they may not write: writing the log through
  // it would write into that file.
  const std::wstring target = folder + L"\\protected.txt";
  const std::wstring link = folder + L"\\run.log";
  WriteBytes(target, "protected");
  ASSERT_TRUE(::CreateHardLinkW(link.c_str(), target.c_str(), nullptr));
  CStepLog log;
  EXPECT_EQ(log.Open(link.c_str()), LogOpenResult::kRefused);
  Log(L"must not arrive");
  EXPECT_EQ(ReadBytes(target), "protected");
  test::RemoveTree(folder);
}

// A folder on the way that someone replaced by a link to another folder, such as the system
// folder: the log would be made there. Nothing is written, and the file the open made is gone.
TEST(StepLog, RefusesAPathThroughALinkedFolderAndLeavesNothingThere) {
  const std::wstring folder = ScratchFolder(L"linked");
  const std::wstring elsewhere = ScratchFolder(L"linked-target");
  ASSERT_TRUE(test::MakeLink(folder + L"\\logs", elsewhere));
  CStepLog log;
  EXPECT_EQ(log.Open((folder + L"\\logs\\run.log").c_str()), LogOpenResult::kRefused);
  Log(L"must not arrive");
  EXPECT_EQ(test::ListFolder(elsewhere), std::vector<std::wstring>{});
  test::RemoveLink(folder + L"\\logs");
  test::RemoveTree(folder);
  test::RemoveTree(elsewhere);
}

// The path as the user spelled it: other letter case, a step up and back, the folder's short name.
TEST(StepLog, TakesThePathInAnySpellingOfTheSamePlace) {
  const std::wstring folder = ScratchFolder(L"spelled");
  ::CreateDirectoryW((folder + L"\\A Long Folder Name").c_str(), nullptr);
  wchar_t shortName[MAX_PATH] = L"";
  ASSERT_NE(::GetShortPathNameW((folder + L"\\A Long Folder Name").c_str(), shortName, MAX_PATH),
            0u);
  const std::wstring spellings[] = {
      folder + L"\\A Long Folder Name\\run.log",
      folder + L"\\a long folder name\\..\\A LONG FOLDER NAME\\RUN.LOG",
      std::wstring(shortName) + L"\\run.log",
  };
  for (const std::wstring& path : spellings) {
    CStepLog log;
    EXPECT_EQ(log.Open(path.c_str()), LogOpenResult::kOpened) << test::Utf8(path);
  }
  test::RemoveTree(folder);
}

}  // namespace
}  // namespace kst
