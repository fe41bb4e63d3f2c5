// Extraction of slots to real files under Wine: what lands on disk and which result says what
// failed, with no message box of its own. The records are made as the packing tool makes them, then
// damaged where a case needs it.
#include <windows.h>

#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "install/EmbeddedFiles.h"
#include "tests/install/PayloadTestFiles.h"
#include "tests/support/MessageBoxWatcher.h"
#include "tests/support/TestFiles.h"
#include <gtest/gtest.h>

namespace kst {
namespace {

using test::Bytes;
using test::CMessageBoxWatcher;
using test::Exists;
using test::MakeSlot;
using test::Noise;
using test::ReadBytes;
using test::SetRecordSizes;
using test::TextBytes;
using test::WriteBytes;

const Bytes kOldContent = TextBytes("the file as it was before, longer than what replaces it\r\n");

class CExtractionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    folder_ = test::FreshFolder(L"kst-extract-" + std::wstring(name.begin(), name.end()));
  }
  void TearDown() override { test::RemoveTree(folder_); }

  FileResult Extract(const std::wstring& folder, const std::wstring& name, const Bytes& slot) {
    return ExtractEmbeddedFile(folder.c_str(), name.c_str(), slot.data(), slot.size());
  }

  // The engine reports; the install sequence is the one that shows message boxes.
  void ExpectNoBoxShown() const {
    EXPECT_TRUE(watcher_.Boxes().empty()) << ::testing::PrintToString(watcher_.Boxes().front());
  }

  // A folder of exactly `length` characters inside the test's folder.
  std::wstring FolderOfLength(size_t length) {
    std::wstring folder = folder_ + L"\\";
    folder.append(length - folder.size(), L'f');
    EXPECT_TRUE(CreateDirectoryW(folder.c_str(), nullptr)) << GetLastError();
    return folder;
  }

  std::wstring folder_;
  CMessageBoxWatcher watcher_;
};

TEST_F(CExtractionTest, WritesExactlyTheBytesOfTheRecord) {
  struct {
    const char* what;
    Bytes content;
  } cases[] = {
      {"empty file", Bytes()},
      {"one byte", Bytes{0x5A}},
      {"text of a few hundred KiB", TextBytes(std::string(300 * 1024, 'k') + "end")},
      {"incompressible MiB", Noise(1024 * 1024, 7)},
  };
  int number = 0;
  for (const auto& test : cases) {
    SCOPED_TRACE(test.what);
    std::wstring name = L"file" + std::to_wstring(++number) + L".bin";
    const Bytes slot = MakeSlot(test.content);
    EXPECT_EQ(FileResult::kDone, CheckEmbeddedFile(slot.data(), slot.size()));
    EXPECT_EQ(FileResult::kDone, Extract(folder_, name, slot));
    EXPECT_EQ(test.content, ReadBytes(folder_ + L"\\" + name));
  }
  ExpectNoBoxShown();
}

TEST_F(CExtractionTest, JoinsFolderAndNameWithOneSeparatorOnly) {
  const Bytes content = TextBytes("joined");

  // Behind a folder that ends in "\", a second separator would make this path 260 characters
  // long, one more than fits.
  std::wstring slashed = FolderOfLength(200) + L"\\";
  std::wstring name(259 - slashed.size(), L'n');
  EXPECT_EQ(FileResult::kDone, Extract(slashed, name, MakeSlot(content)));
  EXPECT_EQ(content, ReadBytes(slashed + name));

  // "C:" alone is the current folder of drive C, which "C:\" would not be.
  wchar_t previous[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, previous);
  ASSERT_EQ(L'C', folder_[0]);
  ASSERT_TRUE(SetCurrentDirectoryW(folder_.c_str()));
  FileResult result = Extract(L"C:", L"kst-drive-relative.txt", MakeSlot(content));
  SetCurrentDirectoryW(previous);
  EXPECT_EQ(FileResult::kDone, result);
  EXPECT_EQ(content, ReadBytes(folder_ + L"\\kst-drive-relative.txt"));
  EXPECT_FALSE(Exists(L"C:\\kst-drive-relative.txt"));

  ExpectNoBoxShown();
}

TEST_F(CExtractionTest, ReplacesALongerFileWithoutLeavingItsTail) {
  WriteBytes(folder_ + L"\\kestrel.exe", kOldContent);
  const Bytes shorter = TextBytes("new");
  EXPECT_EQ(FileResult::kDone, Extract(folder_, L"kestrel.exe", MakeSlot(shorter)));
  EXPECT_EQ(shorter, ReadBytes(folder_ + L"\\kestrel.exe"));
  ExpectNoBoxShown();
}

// Someone who may write the program folder put a second name of another file, or a link to it, at
// a product file's name before a reinstall: the elevated write would land in that file. The name
// goes and a new file takes it; what it led to stays as it was. Wine opens what a link to a file
// points to even when asked for the link itself, and that handle's final path names the other
// file: there the write is refused instead, and the other file still stays.
TEST_F(CExtractionTest, ASecondNameOrALinkAtTheNameIsReplacedAndWhatItLedToStays) {
  const Bytes content = TextBytes("product code");
  struct Case {
    const char* name;
    bool (*plant)(const std::wstring& at, const std::wstring& other);
    bool mayBeRefused;
  } const cases[] = {
      {"hard link",
       [](const std::wstring& at, const std::wstring& other) {
         return ::CreateHardLinkW(at.c_str(), other.c_str(), nullptr) != FALSE;
       },
       false},
      {"link",
       [](const std::wstring& at, const std::wstring& other) { return test::MakeLink(at, other); },
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::wstring other = folder_ + L"\\someone-elses.txt";
    const std::wstring at = folder_ + L"\\kestrel.exe";
    WriteBytes(other, kOldContent);
    ASSERT_TRUE(c.plant(at, other));

    const FileResult result = Extract(folder_, L"kestrel.exe", MakeSlot(content));

    EXPECT_EQ(kOldContent, ReadBytes(other));
    EXPECT_TRUE(result == FileResult::kDone ||
                (c.mayBeRefused && result == FileResult::kCannotCreate))
        << static_cast<int>(result);
    if (result == FileResult::kDone) {
      EXPECT_EQ(content, ReadBytes(at));
    }
    test::RemoveLink(at);
    ::DeleteFileW(at.c_str());
    ::DeleteFileW(other.c_str());
  }
  ExpectNoBoxShown();
}

// A folder on the way replaced by a link to another folder: nothing is written there, and no file
// is left behind in it.
TEST_F(CExtractionTest, AFileInALinkedFolderIsRefusedAndNothingIsLeftThere) {
  const std::wstring elsewhere = folder_ + L"\\elsewhere";
  ASSERT_TRUE(CreateDirectoryW(elsewhere.c_str(), nullptr));
  ASSERT_TRUE(test::MakeLink(folder_ + L"\\App_Themes", elsewhere));

  EXPECT_EQ(FileResult::kCannotCreate,
            Extract(folder_ + L"\\App_Themes", L"default.themes", MakeSlot(TextBytes("theme"))));

  EXPECT_FALSE(Exists(elsewhere + L"\\default.themes"));
  test::RemoveLink(folder_ + L"\\App_Themes");
  ExpectNoBoxShown();
}

// The same, with a second name of their file at the product file's name in their folder: the name
// reached through the link is theirs, and it stays.
TEST_F(CExtractionTest, ASecondNameInALinkedFolderStays) {
  const std::wstring elsewhere = folder_ + L"\\elsewhere";
  ASSERT_TRUE(CreateDirectoryW(elsewhere.c_str(), nullptr));
  WriteBytes(elsewhere + L"\\theirs.txt", kOldContent);
  ASSERT_TRUE(::CreateHardLinkW((elsewhere + L"\\default.themes").c_str(),
                                (elsewhere + L"\\theirs.txt").c_str(), nullptr));
  ASSERT_TRUE(test::MakeLink(folder_ + L"\\App_Themes", elsewhere));

  EXPECT_EQ(FileResult::kCannotCreate,
            Extract(folder_ + L"\\App_Themes", L"default.themes", MakeSlot(TextBytes("theme"))));

  EXPECT_EQ(kOldContent, ReadBytes(elsewhere + L"\\default.themes"));
  test::RemoveLink(folder_ + L"\\App_Themes");
  ExpectNoBoxShown();
}

// Extraction writes what the stream produced; the check before an install takes the record for
// damaged, as the inflated size it promises is not there.
TEST_F(CExtractionTest, StreamThatEndsEarlyWritesTheBytesItProducedButFailsTheCheck) {
  const Bytes content = TextBytes("fewer bytes than the record promises");
  Bytes slot = MakeSlot(content);
  SetRecordSizes(&slot, content.size() + 1000, std::nullopt);
  EXPECT_EQ(FileResult::kDone, Extract(folder_, L"short.txt", slot));
  EXPECT_EQ(content, ReadBytes(folder_ + L"\\short.txt"));
  EXPECT_EQ(FileResult::kDamaged, CheckEmbeddedFile(slot.data(), slot.size()));
  ExpectNoBoxShown();
}

// Each record here cannot be inflated as it stands; nothing may be written, neither a new file
// nor over an old one.
TEST_F(CExtractionTest, RecordsThatCannotBeRightFailToInflateAndWriteNothing) {
  const Bytes content = Noise(5000, 3);
  const Bytes sound = MakeSlot(content, 16);
  const uint32_t room = static_cast<uint32_t>(kst::PayloadStreamRoom(sound.data(), sound.size()));
  struct {
    const char* what;
    void (*damage)(Bytes* slot, uint32_t room, size_t contentSize);
  } cases[] = {
      {"stream inflates past the inflated size",
       [](Bytes* slot, uint32_t, size_t size) {
         SetRecordSizes(slot, static_cast<uint32_t>(size - 1), std::nullopt);
       }},
      {"packed size runs one byte past the slot's end",
       [](Bytes* slot, uint32_t room, size_t) { SetRecordSizes(slot, std::nullopt, room + 1); }},
      {"packed size 0xFFFFFFFF",
       [](Bytes* slot, uint32_t, size_t) { SetRecordSizes(slot, std::nullopt, 0xFFFFFFFFu); }},
      {"inflated size whose buffer size wraps in 32 bits",
       [](Bytes* slot, uint32_t, size_t) { SetRecordSizes(slot, 0xFFFFFFF8u, std::nullopt); }},
      {"marker without its terminating zero",
       [](Bytes* slot, uint32_t, size_t) { std::fill(slot->begin(), slot->end(), '@'); }},
      {"damaged stream",
       [](Bytes* slot, uint32_t, size_t) { (*slot)[slot->size() - 16 - 100] ^= 0x5A; }},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.what);
    Bytes slot = sound;
    test.damage(&slot, room, content.size());
    EXPECT_EQ(FileResult::kDamaged, CheckEmbeddedFile(slot.data(), slot.size()));
    EXPECT_EQ(FileResult::kDamaged, Extract(folder_, L"new.bin", slot));
    WriteBytes(folder_ + L"\\old.bin", kOldContent);
    EXPECT_EQ(FileResult::kDamaged, Extract(folder_, L"old.bin", slot));

    EXPECT_FALSE(Exists(folder_ + L"\\new.bin"));
    EXPECT_EQ(kOldContent, ReadBytes(folder_ + L"\\old.bin"));
  }
  ExpectNoBoxShown();
}

TEST_F(CExtractionTest, FileThatCannotBeCreatedFailsAndStaysUntouched) {
  const Bytes slot = MakeSlot(TextBytes("new content"));

  // Held open by a running program that lets others read only.
  std::wstring held = folder_ + L"\\ksthooker32.dll";
  WriteBytes(held, kOldContent);
  {
    CFileHandle reader(CreateFileW(held.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(reader);
    EXPECT_EQ(FileResult::kCannotCreate, Extract(folder_, L"ksthooker32.dll", slot));
  }
  EXPECT_EQ(kOldContent, ReadBytes(held));

  // In a folder that does not exist.
  EXPECT_EQ(FileResult::kCannotCreate, Extract(folder_ + L"\\missing", L"filelist", slot));
  EXPECT_FALSE(Exists(folder_ + L"\\missing"));

  ExpectNoBoxShown();
}

TEST_F(CExtractionTest, PathLongerThanMaxPathFailsLikeAFileThatCannotBeCreated) {
  const Bytes slot = MakeSlot(TextBytes("never written"));
  std::wstring folder = FolderOfLength(200);
  std::wstring longestName(259 - folder.size() - 1, L'n');

  EXPECT_EQ(FileResult::kCannotCreate, Extract(folder, longestName + L"n", slot));
  EXPECT_EQ(FileResult::kCannotCreate,
            Extract(folder + L"\\" + std::wstring(100, L'x'), longestName, slot));
  EXPECT_EQ(FileResult::kCannotCreate, Extract(folder, std::wstring(300, L'y'), slot));
  ExpectNoBoxShown();
  WIN32_FIND_DATAW found;
  CFindHandle entries(FindFirstFileW((folder + L"\\*").c_str(), &found));
  ASSERT_TRUE(entries);
  int count = 0;
  do {
    ++count;
  } while (FindNextFileW(entries.Get(), &found));
  EXPECT_EQ(2, count) << "only . and .. may be in the folder";
}

// Needs a small drive that fills up for real: full-disk.sh maps one and names its root folder
// ("T:\") in KST_TEST_FULL_DRIVE.
TEST_F(CExtractionTest, FullDiskFailsToWriteAndLeavesWhatWasWritten) {
  const char* drive = getenv("KST_TEST_FULL_DRIVE");
  if (drive == nullptr || *drive == '\0') {
    GTEST_SKIP() << "no full drive mapped (KST_TEST_FULL_DRIVE); full-disk.sh provides one";
  }
  std::wstring folder(drive, drive + strlen(drive));
  const Bytes content = Noise(1024 * 1024, 11);  // more than the drive holds

  EXPECT_EQ(FileResult::kCannotWrite, Extract(folder, L"easylistchina.txt", MakeSlot(content)));
  std::optional<Bytes> written = ReadBytes(folder + L"easylistchina.txt");
  ASSERT_TRUE(written);
  EXPECT_GT(written->size(), 0u);
  EXPECT_LT(written->size(), content.size());
  EXPECT_TRUE(std::equal(written->begin(), written->end(), content.begin()));
}

}  // namespace
}  // namespace kst
