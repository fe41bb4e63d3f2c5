// The switches of an unattended run: how the command line that follows the program's name is cut
// into arguments, which switches it takes and how it is refused.
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include <gtest/gtest.h>

namespace kst {
namespace {

using Arguments = std::vector<std::wstring>;

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

Arguments Split(const wchar_t* commandLine) {
  Arguments arguments;
  wchar_t argument[kMaxPath];
  bool cut = false;
  for (const wchar_t* next = commandLine;
       (next = ReadArgument(next, argument, kMaxPath, cut)) != nullptr;)
    arguments.push_back(argument);
  return arguments;
}

TEST(SkipProgramName, EndsTheNameAtABlankOutsideQuotesAndSkipsTheBlanksAfterIt) {
  struct Case {
    const wchar_t* commandLine;
    const wchar_t* arguments;
  } const cases[] = {
      {L"", L""},
      {L"instkst.exe", L""},
      {L"instkst.exe /S", L"/S"},
      {L"instkst.exe \t  /S /LOG=x", L"/S /LOG=x"},
      {L"\"C:\\Program Files\\Kestrel\\uninstall.exe\" /S", L"/S"},
      {L"\"C:\\Program Files\\Kestrel\\uninstall.exe\"/S", L""},
      {L"C:\\a\"b c\"d.exe /S", L"/S"},
      {L"\"unclosed quote /S", L""},
  };
  for (const Case& c : cases)
    EXPECT_STREQ(SkipProgramName(c.commandLine), c.arguments) << Narrow(c.commandLine);
}

// The rules CommandLineToArgvW applies after the program's name (app_tests compares them with the
// system's own under Wine).
TEST(ReadArgument, SplitsAtBlanksAndTakesQuotesAndBackslashesAsTheSystemDoes) {
  struct Case {
    const wchar_t* commandLine;
    Arguments expected;
  } const cases[] = {
      {L"", {}},
      {L"  \t ", {}},
      {L"/S /LOG=x", {L"/S", L"/LOG=x"}},
      {L"\t/S\t\t-s  ", {L"/S", L"-s"}},
      {L"\"/LOG=C:\\Program Files\\a b.log\" /S", {L"/LOG=C:\\Program Files\\a b.log", L"/S"}},
      {L"/LOG=\"C:\\Program Files\\a.log\"", {L"/LOG=C:\\Program Files\\a.log"}},
      {L"\"\"", {L""}},
      {L"a\"\"b", {L"ab"}},
      // Backslashes are literal unless a quote follows them.
      {L"C:\\a\\\\b\\", {L"C:\\a\\\\b\\"}},
      {L"a\\\"b", {L"a\"b"}},
      {L"a\\\\\"b c\"", {L"a\\b c"}},
      {L"a\\\\\\\"b", {L"a\\\"b"}},
      // The classic slip: a folder that ends in a backslash escapes its closing quote.
      {L"\"C:\\logs\\\" /S", {L"C:\\logs\" /S"}},
      // Inside quotes two quotes are one literal quote, and they end the quoted part.
      {L"\"a \"\"b\"\" c\"", {L"a \"b", L"c"}},
      {L"\"\"\"", {L"\""}},
  };
  for (const Case& c : cases) EXPECT_EQ(Split(c.commandLine), c.expected) << Narrow(c.commandLine);
}

TEST(ReadArgument, CutsAnArgumentThatDoesNotFitAndSaysSo) {
  const std::wstring longArgument(40, L'x');
  const std::wstring commandLine = longArgument + L" next";
  wchar_t argument[8];
  bool cut = false;
  const wchar_t* next = ReadArgument(commandLine.c_str(), argument, 8, cut);
  EXPECT_TRUE(cut);
  EXPECT_EQ(std::wstring(argument), L"xxxxxxx");
  ASSERT_NE(next, nullptr);
  next = ReadArgument(next, argument, 8, cut);
  EXPECT_FALSE(cut);
  EXPECT_EQ(std::wstring(argument), L"next");
}

struct Expected {
  bool ok;
  bool silent, allUsers, noLaunch, removeConfig, usageAsked;
  std::wstring logPath;
  SwitchError error;
  std::wstring badArgument;
};

TEST(ParseCommandLine, ReadsEachSwitchAndRefusesWhatItDoesNotKnow) {
  const std::wstring longest(kMaxPath - 1, L'p');
  const std::wstring tooLong(kMaxPath, L'p');
  const std::wstring farTooLong(3 * kMaxPath, L'p');
  const std::wstring unknownLong = L"/" + std::wstring(200, L'u');
  struct Case {
    std::wstring commandLine;
    Expected expected;
  } const cases[] = {
      {L"", {true, false, false, false, false, false, L"", SwitchError::kNone, L""}},
      {L"/S", {true, true, false, false, false, false, L"", SwitchError::kNone, L""}},
      // Either sign, any case.
      {L"-s -allusers /NoLaunch -RemoveConfig",
       {true, true, true, true, true, false, L"", SwitchError::kNone, L""}},
      {L"/?", {true, false, false, false, false, true, L"", SwitchError::kNone, L""}},
      {L"-log=C:\\a.log",
       {true, false, false, false, false, false, L"C:\\a.log", SwitchError::kNone, L""}},
      {L"/S \"/LOG=C:\\Program Files\\a b.log\"",
       {true, true, false, false, false, false, L"C:\\Program Files\\a b.log", SwitchError::kNone,
        L""}},
      {L"/LOG=" + longest,
       {true, false, false, false, false, false, longest, SwitchError::kNone, L""}},
      // Refused, naming the first argument in error; the rest is read on, /S included.
      {L"/X /S", {false, true, false, false, false, false, L"", SwitchError::kUnknown, L"/X"}},
      {L"/S /ALLUSER",
       {false, true, false, false, false, false, L"", SwitchError::kUnknown, L"/ALLUSER"}},
      {L"/", {false, false, false, false, false, false, L"", SwitchError::kUnknown, L"/"}},
      {L"/SS", {false, false, false, false, false, false, L"", SwitchError::kUnknown, L"/SS"}},
      {L"S", {false, false, false, false, false, false, L"", SwitchError::kNotASwitch, L"S"}},
      {L"\"\"", {false, false, false, false, false, false, L"", SwitchError::kNotASwitch, L""}},
      {L"/LOG",
       {false, false, false, false, false, false, L"", SwitchError::kMissingValue, L"/LOG"}},
      {L"/LOG= /S",
       {false, true, false, false, false, false, L"", SwitchError::kMissingValue, L"/LOG="}},
      {L"/S=1",
       {false, false, false, false, false, false, L"", SwitchError::kUnexpectedValue, L"/S=1"}},
      {L"/S /s", {false, true, false, false, false, false, L"", SwitchError::kRepeated, L"/s"}},
      {L"/LOG=a /LOG=a",
       {false, false, false, false, false, false, L"a", SwitchError::kRepeated, L"/LOG=a"}},
      {L"/X /Y", {false, false, false, false, false, false, L"", SwitchError::kUnknown, L"/X"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(c.commandLine));
    CCommandLine out;
    out.silent = true;  // what an earlier parse left is forgotten
    EXPECT_EQ(ParseCommandLine(c.commandLine.c_str(), out), c.expected.ok);
    EXPECT_EQ(out.silent, c.expected.silent);
    EXPECT_EQ(out.allUsers, c.expected.allUsers);
    EXPECT_EQ(out.noLaunch, c.expected.noLaunch);
    EXPECT_EQ(out.removeConfig, c.expected.removeConfig);
    EXPECT_EQ(out.usageAsked, c.expected.usageAsked);
    EXPECT_EQ(std::wstring(out.logPath.Get()), c.expected.logPath);
    EXPECT_EQ(out.error, c.expected.error);
    EXPECT_EQ(std::wstring(out.badArgument), c.expected.badArgument);
  }

  // A log path too long for a path, also one far longer than any argument is read; an unknown
  // switch that long is named by its start.
  for (const std::wstring& path : {tooLong, farTooLong}) {
    CCommandLine out;
    EXPECT_FALSE(ParseCommandLine((L"/S /LOG=" + path).c_str(), out));
    EXPECT_EQ(out.error, SwitchError::kValueTooLong);
    EXPECT_TRUE(out.silent);
    EXPECT_EQ(out.logPath.Get()[0], L'\0');
  }
  CCommandLine out;
  EXPECT_FALSE(ParseCommandLine(unknownLong.c_str(), out));
  EXPECT_EQ(std::wstring(out.badArgument), unknownLong.substr(0, kShownArgumentCapacity - 1));
}

TEST(ComposeUsageText, NamesWhatWasWrongAndStaysWithinItsBuffer) {
  CCommandLine commandLine;
  ASSERT_FALSE(ParseCommandLine(L"/S /bogus", commandLine));
  wchar_t text[2048];
  ComposeUsageText(commandLine, text, 2048);
  EXPECT_EQ(std::wstring(text).rfind(L"命令行有误: 未知的开关: /bogus\n\n用法:", 0), 0u);

  struct LogCase {
    SwitchError reason;
    const wchar_t* start;
  } const logCases[] = {
      {SwitchError::kNoLogFolder, L"命令行有误: 日志文件所在的文件夹不存在: C:\\logs\\a.log\n"},
      {SwitchError::kLogNotPlainFile,
       L"命令行有误: 日志文件须是所给路径上的普通文件, 不可是链接或经由链接的文件夹: "
       L"C:\\logs\\a.log\n"},
  };
  for (const LogCase& c : logCases) {
    wchar_t logText[2048];
    CCommandLine logLine;
    ASSERT_TRUE(ParseCommandLine(L"/LOG=C:\\logs\\a.log", logLine));
    RefuseLog(logLine, c.reason);
    ComposeUsageText(logLine, logText, 2048);
    EXPECT_EQ(std::wstring(logText).rfind(c.start, 0), 0u) << static_cast<int>(c.reason);
  }

  // Without an error it starts with the switches; cut short, it ends within the buffer.
  CCommandLine asked;
  ASSERT_TRUE(ParseCommandLine(L"/?", asked));
  ComposeUsageText(asked, text, 2048);
  const std::wstring whole = text;
  EXPECT_EQ(whole.rfind(L"用法:", 0), 0u);
  wchar_t small[17];
  small[16] = L'#';
  ComposeUsageText(asked, small, 16);
  EXPECT_EQ(std::wstring(small), whole.substr(0, 15));
  EXPECT_EQ(small[16], L'#');
}

}  // namespace
}  // namespace kst
