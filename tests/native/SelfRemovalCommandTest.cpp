// The hidden shell's command line that removes the program folder: the text the product relies on,
// and the folders it refuses to hand to the shell.
#include <string>

#include "base/Path.h"
#include "system/SelfRemovalCommand.h"
#include <gtest/gtest.h>

namespace kst {
namespace {

constexpr size_t kCapacity = 3 * kMaxPath;

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

TEST(FormatSelfRemovalParameters, NamesTheFolderTwiceInItsFixedText) {
  const std::wstring longest = L"C:\\" + std::wstring(kMaxPath - 1 - 3, L'k');
  for (const std::wstring& folder :
       {std::wstring(L"C:\\ProgramData\\Kestrel"),
        std::wstring(L"C:\\users\\R&D (lab)\\AppData\\Local\\Kestrel"), longest}) {
    wchar_t out[kCapacity];
    ASSERT_TRUE(FormatSelfRemovalParameters(folder.c_str(), out, kCapacity)) << Narrow(folder);
    EXPECT_EQ(std::wstring(out), L"/c ping 127.0.0.1 | rd /s/q \"" + folder + L"\" rd /q \"" +
                                     folder + L"\"\\uninstall.exe | ping 127.0.0.1");
  }
}

TEST(FormatSelfRemovalParameters, RefusesWhatTheShellWouldReadAsMoreThanANameOrWhatDoesNotFit) {
  const wchar_t* const refused[] = {
      L"C:\\users\\%USERNAME%\\Kestrel",  // the shell would put another folder here
      L"C:\\Kes\"trel",                   // would end the argument early
  };
  for (const wchar_t* folder : refused) {
    wchar_t out[kCapacity] = L"x";
    EXPECT_FALSE(FormatSelfRemovalParameters(folder, out, kCapacity)) << Narrow(folder);
    EXPECT_EQ(out[0], L'\0');
  }

  // The buffer's own bound: room for the text and its zero, and one less.
  const wchar_t* folder = L"C:\\ProgramData\\Kestrel";
  wchar_t full[kCapacity];
  ASSERT_TRUE(FormatSelfRemovalParameters(folder, full, kCapacity));
  const size_t needed = std::wstring(full).size() + 1;
  wchar_t exact[kCapacity];
  EXPECT_TRUE(FormatSelfRemovalParameters(folder, exact, needed));
  EXPECT_FALSE(FormatSelfRemovalParameters(folder, exact, needed - 1));
  EXPECT_EQ(exact[0], L'\0');
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
