// This program is packed with the build's payload after linking, like the installer: every slot
// must extract to the very file it was packed from.
#include <windows.h>

#include <string>

#include "install/EmbeddedFiles.h"
#include "tests/install/PayloadTestFiles.h"
#include "tests/support/MessageBoxWatcher.h"
#include <gtest/gtest.h>

namespace kst {
namespace {

TEST(PayloadRoundTrip, EverySlotExtractsToItsPayloadFileByteForByte) {
  test::CMessageBoxWatcher watcher;
  std::wstring root = test::FreshFolder(L"kst-round-trip");
  const std::wstring folders[] = {root + L"\\program", root + L"\\sysdata", root + L"\\userdata"};
  for (const std::wstring& folder : folders) ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  for (const wchar_t* sub : {L"\\App_Config", L"\\App_Themes", L"\\App_Themes\\Themes"}) {
    ASSERT_TRUE(CreateDirectoryW((folders[0] + sub).c_str(), nullptr));
  }

  for (const EmbeddedFile& file : kEmbeddedFiles) {
    SCOPED_TRACE(file.markerName);
    const std::wstring& folder = folders[static_cast<int>(file.folder)];
    ASSERT_EQ(FileResult::kDone,
              ExtractEmbeddedFile(folder.c_str(), file.name, file.slot, file.capacity));
    std::string marker = file.markerName;
    std::optional<test::Bytes> packed =
        test::ReadBytes(test::PayloadFolder() + L"\\" + std::wstring(marker.begin(), marker.end()));
    std::optional<test::Bytes> extracted = test::ReadBytes(folder + L"\\" + file.name);
    ASSERT_TRUE(packed && extracted);
    EXPECT_EQ(packed->size(), extracted->size());
    EXPECT_TRUE(*packed == *extracted) << "the contents differ";
  }
  EXPECT_TRUE(watcher.Boxes().empty());
  test::RemoveTree(root);
}

}  // namespace
}  // namespace kst
