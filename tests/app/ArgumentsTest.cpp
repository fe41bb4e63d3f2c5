// The command line's arguments as the program cuts them, compared with the system's own
// CommandLineToArgvW on the text behind a program name, hostile quoting included.
#include <windows.h>

#include <shellapi.h>

#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "tests/support/TestWindows.h"
#include <gtest/gtest.h>

namespace kst {
namespace {

std::vector<std::wstring> OwnSplit(const std::wstring& commandLine) {
  std::vector<std::wstring> arguments;
  wchar_t argument[1024];
  bool cut = false;
  for (const wchar_t* next = commandLine.c_str();
       (next = ReadArgument(next, argument, 1024, cut)) != nullptr;)
    arguments.push_back(argument);
  return arguments;
}

std::vector<std::wstring> SystemSplit(const std::wstring& commandLine) {
  int count = 0;
  LPWSTR* list = ::CommandLineToArgvW((L"instkst.exe " + commandLine).c_str(), &count);
  std::vector<std::wstring> arguments;
  for (int i = 1; list != nullptr && i < count; ++i) arguments.push_back(list[i]);
  ::LocalFree(list);
  return arguments;
}

TEST(ReadArgument, CutsLikeTheSystem) {
  const wchar_t* const commandLines[] = {
      L"/S /LOG=x",
      L"\t/S\t\t-s  ",
      L"\"/LOG=C:\\Program Files\\a b.log\" /S",
      L"/LOG=\"C:\\Program Files\\a.log\"",
      L"\"\" x",
      L"a\"\"b",
      L"C:\\a\\\\b\\",
      L"a\\\"b",
      L"a\\\\\"b c\"",
      L"a\\\\\\\"b",
      L"a\\\\\\\\\"b c\" d",
      L"\"C:\\logs\\\" /S",
      L"\"C:\\logs\\\\\" /S",
      L"\"a \"\"b\"\" c\"",
      L"\"\"\"",
      L"\"\"\"\"",
      L"\"\"\"\"\"\" x",
      L"a\"b c",
      L"\"a b",
      L"a\\\"\"b c\"",
      L"x\\\\\"\"\"y z",
  };
  for (const wchar_t* commandLine : commandLines) {
    EXPECT_EQ(OwnSplit(commandLine), SystemSplit(commandLine)) << test::Utf8(commandLine);
  }
}

}  // namespace
}  // namespace kst
