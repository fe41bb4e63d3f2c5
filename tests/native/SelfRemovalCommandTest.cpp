// The hidden shell's command line and environment that remove the program folder: the text the
// product relies on, the folders and programs it refuses to hand to the shell, and an environment
// of the system's folders alone.
#include <string>
#include <vector>

#include "base/Path.h"
#include "system/SelfRemovalCommand.h"
#include <gtest/gtest.h>

namespace kst {
namespace {

constexpr size_t kCapacity = 4 * kMaxPath;
constexpr wchar_t kPing[] = L"C:\\Windows\\system32\\PING.EXE";

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

TEST(FormatSelfRemovalParameters, NamesTheFolderTwiceInItsFixedTextWithoutAutoRunAndWithPingsPath) {
  const std::wstring longest = L"C:\\" + std::wstring(kMaxPath - 1 - 3, L'k');
  for (const std::wstring& folder :
       {std::wstring(L"C:\\ProgramData\\Kestrel"),
        std::wstring(L"C:\\users\\R&D (lab)\\AppData\\Local\\Kestrel"), longest}) {
    wchar_t out[kCapacity];
    ASSERT_TRUE(FormatSelfRemovalParameters(folder.c_str(), kPing, out, kCapacity))
        << Narrow(folder);
    EXPECT_EQ(std::wstring(out), L"/d /c " + std::wstring(kPing) + L" 127.0.0.1 | rd /s/q \"" +
                                     folder + L"\" rd /q \"" + folder + L"\"\\uninstall.exe | " +
                                     kPing + L" 127.0.0.1");
  }
}

TEST(FormatSelfRemovalParameters, RefusesWhatTheShellWouldReadAsMoreThanANameOrWhatDoesNotFit) {
  struct {
    const wchar_t* folder;
    const wchar_t* ping;
  } const refused[] = {
      {L"C:\\users\\%USERNAME%\\Kestrel", kPing},  // the shell would put another folder here
      {L"C:\\Kes\"trel", kPing},                   // would end the argument early
      // ping's path stands unquoted at the start of the command.
      {L"C:\\ProgramData\\Kestrel", L"C:\\My Windows\\system32\\PING.EXE"},
      {L"C:\\ProgramData\\Kestrel", L"C:\\W&s\\PING.EXE"},
      {L"C:\\ProgramData\\Kestrel", L"C:\\%windir%\\PING.EXE"},
      {L"C:\\ProgramData\\Kestrel", L"\"C:\\Windows\\PING.EXE\""},
      {L"C:\\ProgramData\\Kestrel", L"C:\\(x86)\\PING.EXE"},
  };
  for (const auto& c : refused) {
    wchar_t out[kCapacity] = L"x";
    EXPECT_FALSE(FormatSelfRemovalParameters(c.folder, c.ping, out, kCapacity))
        << Narrow(c.folder) << " " << Narrow(c.ping);
    EXPECT_EQ(out[0], L'\0');
  }

  // The buffer's own bound: room for the text and its zero, and one less.
  const wchar_t* folder = L"C:\\ProgramData\\Kestrel";
  wchar_t full[kCapacity];
  ASSERT_TRUE(FormatSelfRemovalParameters(folder, kPing, full, kCapacity));
  const size_t needed = std::wstring(full).size() + 1;
  wchar_t exact[kCapacity];
  EXPECT_TRUE(FormatSelfRemovalParameters(folder, kPing, exact, needed));
  EXPECT_FALSE(FormatSelfRemovalParameters(folder, kPing, exact, needed - 1));
  EXPECT_EQ(exact[0], L'\0');
}

// The block's strings up to the empty one that ends it.
std::vector<std::wstring> Strings(const wchar_t* block) {
  std::vector<std::wstring> strings;
  for (const wchar_t* at = block; *at != L'\0'; at += strings.back().size() + 1)
    strings.emplace_back(at);
  return strings;
}

TEST(FormatShellEnvironment, HoldsOnlyTheSystemsFoldersSortedAndEnded) {
  wchar_t out[kCapacity];
  ASSERT_TRUE(FormatShellEnvironment(L"C:\\Windows", L"C:\\Windows\\system32", out, kCapacity));
  EXPECT_EQ(Strings(out), (std::vector<std::wstring>{
                              L"ComSpec=C:\\Windows\\system32\\cmd.exe",
                              L"PATH=C:\\Windows\\system32",
                              L"PATHEXT=.COM;.EXE",
                              L"SystemRoot=C:\\Windows",
                              L"TEMP=C:\\Windows\\Temp",
                              L"TMP=C:\\Windows\\Temp",
                          }));

  // Room for every string with its zero and the empty one that ends the block, and one less.
  size_t needed = 1;
  for (const std::wstring& text : Strings(out)) needed += text.size() + 1;
  std::vector<wchar_t> exact(needed, L'x');
  ASSERT_TRUE(
      FormatShellEnvironment(L"C:\\Windows", L"C:\\Windows\\system32", exact.data(), needed));
  EXPECT_EQ(exact[needed - 1], L'\0');
  EXPECT_EQ(exact[needed - 2], L'\0');
  for (size_t capacity : {needed - 1, needed - 2, size_t{5}, size_t{1}}) {
    std::vector<wchar_t> small(capacity, L'x');
    EXPECT_FALSE(
        FormatShellEnvironment(L"C:\\Windows", L"C:\\Windows\\system32", small.data(), capacity))
        << capacity;
    EXPECT_EQ(small[0], L'\0') << capacity;
  }
}

TEST(IsProductFolderName, TakesOnlyAFolderOfTheProduct) {
  struct {
    const wchar_t* folder;
    bool product;
  } const cases[] = {
      {L"C:\\ProgramData\\Kestrel", true},
      {L"C:\\users\\a\\AppData\\Local\\kestrel", true},
      {L"C:\\ProgramData", false},
      {L"C:\\", false},
      {L"C:\\KESTREL", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(IsProductFolderName(c.folder), c.product) << Narrow(c.folder);
}

}  // namespace
}  // namespace kst
