// Folder tree removal over real folders in the test prefix.
#include <windows.h>

#include <cwctype>
#include <initializer_list>
#include <string>
#include <vector>

#include "base/HandleFacts.h"
#include "base/Path.h"
#include "system/DeleteTree.h"
#include "tests/support/TestFiles.h"
#include <gtest/gtest.h>

namespace {

bool Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Paths beyond MAX_PATH are made and removed through the long-path prefix.
std::wstring Long(const std::wstring& path) { return L"\\\\?\\" + path; }

bool MakeFolder(const std::wstring& path) { return CreateDirectoryW(Long(path).c_str(), nullptr); }

bool MakeFile(const std::wstring& path, DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
  HANDLE file =
      CreateFileW(Long(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, attributes, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  WriteFile(file, "data", 4, &written, nullptr);
  CloseHandle(file);
  return true;
}

// Links are removed, never followed; attributes are cleared first so that system files go too.
// The attributes come from the folder's listing, which shows a link even when its target is gone.
void RemoveEntry(const std::wstring& path, DWORD attributes) {
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    kst::test::RemoveLink(path);
    return;
  }
  SetFileAttributesW(Long(path).c_str(), FILE_ATTRIBUTE_NORMAL);
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    DeleteFileW(Long(path).c_str());
    return;
  }
  WIN32_FIND_DATAW entry;
  HANDLE search = FindFirstFileW(Long(path + L"\\*").c_str(), &entry);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = entry.cFileName;
      if (name != L"." && name != L"..") RemoveEntry(path + L"\\" + name, entry.dwFileAttributes);
    } while (FindNextFileW(search, &entry));
    FindClose(search);
  }
  RemoveDirectoryW(Long(path).c_str());
}

void RemoveAll(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(Long(path).c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) RemoveEntry(path, attributes);
}

class DeleteTreeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH];
    ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
    static int run = 0;
    base_ = std::wstring(temp) + L"kst-tree-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(++run);
    RemoveAll(base_);
    ASSERT_TRUE(MakeFolder(base_));
    root_ = base_ + L"\\root";
    victim_ = base_ + L"\\victim";
  }
  void TearDown() override {
    kst::SetDeleteTreeEntryHook(nullptr);
    SetCurrentDirectoryW(L"C:\\");
    // The links first, so that no removal can reach through one of them.
    RemoveLinks();
    RemoveAll(root_);
    RemoveAll(base_);
  }

  std::wstring In(const std::wstring& relative) const { return root_ + L"\\" + relative; }

 public:
  // Each link is removed first at the end.
  void MakeLink(const std::wstring& link, const std::wstring& target) {
    links_.push_back(link);
    ASSERT_TRUE(kst::test::MakeLink(link, target));
  }

 protected:
  void RemoveLinks() {
    for (const std::wstring& link : links_) kst::test::RemoveLink(link);
    links_.clear();
  }

  // What a link may point to: a folder the removal must never reach into.
  void MakeVictim() {
    ASSERT_TRUE(MakeFolder(victim_));
    ASSERT_TRUE(MakeFolder(victim_ + L"\\inner"));
    ASSERT_TRUE(MakeFile(victim_ + L"\\precious.txt"));
    ASSERT_TRUE(MakeFile(victim_ + L"\\inner\\deeper.txt"));
  }
  void ExpectVictimWhole() const {
    EXPECT_TRUE(Exists(victim_ + L"\\precious.txt"));
    EXPECT_TRUE(Exists(victim_ + L"\\inner\\deeper.txt"));
  }

  // For a root that held own.txt and the link: own.txt went, and the link went together with the
  // root or, where the link cannot be removed (Wine, for a Unix one), both stayed.
  void ExpectOwnFileAndLinkRemoved(int removed, const std::wstring& link) const {
    EXPECT_FALSE(Exists(In(L"own.txt")));
    int linkGone = Exists(link) ? 0 : 1;
    int rootGone = Exists(root_) ? 0 : 1;
    EXPECT_EQ(rootGone, linkGone);
    EXPECT_EQ(removed, 1 + linkGone + rootGone);
  }

  std::wstring base_;
  std::wstring root_;
  std::wstring victim_;
  std::vector<std::wstring> links_;
};

TEST_F(DeleteTreeTest, TreesOfFilesAndFolders) {
  enum Kind { kFolder, kFile };
  struct Entry {
    const wchar_t* path;
    Kind kind;
  };
  struct Case {
    const char* name;
    std::vector<Entry> entries;
    int removed;
    std::vector<const wchar_t*> remaining;  // relative to the root; the root itself is ""
  };
  const Case cases[] = {
      {"empty folder", {}, 1, {}},
      {"only an empty subfolder", {{L"sub", kFolder}}, 2, {}},
      {"files and nested folders",
       {{L"a.txt", kFile},
        {L"sub", kFolder},
        {L"sub\\b.dll", kFile},
        {L"sub\\deeper", kFolder},
        {L"sub\\deeper\\c", kFile},
        {L"name with spaces", kFile}},
       7,
       {}},
      {"a dot file keeps file and folder",
       {{L".settings", kFile}, {L"a.txt", kFile}},
       1,
       {L"", L".settings"}},
      {"a dot folder is passed over",
       {{L".git", kFolder}, {L".git\\config", kFile}},
       0,
       {L"", L".git", L".git\\config"}},
      {"a dot file deep down keeps its folders",
       {{L"sub", kFolder}, {L"sub\\.keep", kFile}, {L"top", kFile}},
       1,
       {L"", L"sub", L"sub\\.keep"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RemoveAll(root_);
    ASSERT_TRUE(MakeFolder(root_));
    for (const Entry& entry : c.entries) {
      ASSERT_TRUE(entry.kind == kFolder ? MakeFolder(In(entry.path)) : MakeFile(In(entry.path)));
    }

    EXPECT_EQ(kst::DeleteTree(root_.c_str()), c.removed);

    size_t present = 0;
    for (const Entry& entry : c.entries) present += Exists(In(entry.path)) ? 1 : 0;
    present += Exists(root_) ? 1 : 0;
    EXPECT_EQ(present, c.remaining.size());
    for (const wchar_t* kept : c.remaining) {
      std::wstring path = *kept ? In(kept) : root_;
      EXPECT_TRUE(Exists(path)) << testing::PrintToString(path);
    }
  }
}

TEST_F(DeleteTreeTest, MissingFolderRemovesNothing) {
  EXPECT_EQ(kst::DeleteTree(In(L"missing").c_str()), 0);
  EXPECT_EQ(kst::DeleteTree(root_.c_str()), 0);
}

TEST_F(DeleteTreeTest, SystemEntryEndsTheWalkOfItsFolder) {
  ASSERT_TRUE(MakeFolder(root_));
  for (const wchar_t* name : {L"f0", L"f1", L"f2", L"f4", L"f5", L"f6"})
    ASSERT_TRUE(MakeFile(In(name)));
  ASSERT_TRUE(MakeFile(In(L"f3"), FILE_ATTRIBUTE_SYSTEM));
  ASSERT_TRUE(GetFileAttributesW(In(L"f3").c_str()) & FILE_ATTRIBUTE_SYSTEM);
  const std::vector<std::wstring> order = kst::test::ListFolder(root_);

  int removed = kst::DeleteTree(root_.c_str());

  bool afterSystemEntry = false;
  int before = 0;
  for (const std::wstring& name : order) {
    afterSystemEntry = afterSystemEntry || name == L"f3";
    EXPECT_EQ(Exists(In(name)), afterSystemEntry) << testing::PrintToString(name);
    if (!afterSystemEntry) ++before;
  }
  EXPECT_EQ(removed, before);
  EXPECT_TRUE(Exists(root_));
}

TEST_F(DeleteTreeTest, FileHeldOpenStaysWithItsFolder) {
  ASSERT_TRUE(MakeFolder(root_));
  ASSERT_TRUE(MakeFolder(In(L"sub")));
  ASSERT_TRUE(MakeFile(In(L"sub\\busy.dll")));
  ASSERT_TRUE(MakeFile(In(L"free.txt")));
  HANDLE busy = CreateFileW(In(L"sub\\busy.dll").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(busy, INVALID_HANDLE_VALUE);

  EXPECT_EQ(kst::DeleteTree(root_.c_str()), 1);
  CloseHandle(busy);

  EXPECT_TRUE(Exists(In(L"sub\\busy.dll")));
  EXPECT_TRUE(Exists(In(L"sub")));
  EXPECT_TRUE(Exists(root_));
  EXPECT_FALSE(Exists(In(L"free.txt")));
}

// Another program's current folder, for one, is held without sharing its deletion.
TEST_F(DeleteTreeTest, FolderHeldOpenLosesItsFilesButStays) {
  ASSERT_TRUE(MakeFolder(root_));
  ASSERT_TRUE(MakeFolder(In(L"sub")));
  ASSERT_TRUE(MakeFile(In(L"sub\\a.txt")));
  HANDLE held =
      CreateFileW(In(L"sub").c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);

  EXPECT_EQ(kst::DeleteTree(root_.c_str()), 1);
  CloseHandle(held);

  EXPECT_FALSE(Exists(In(L"sub\\a.txt")));
  EXPECT_TRUE(Exists(In(L"sub")));
  EXPECT_TRUE(Exists(root_));
}

// Whatever a link points to stays, wherever the link is met.
TEST_F(DeleteTreeTest, LinksAreNotFollowed) {
  struct Case {
    const char* name;
    const wchar_t* link;    // relative to the root; "" makes the root itself the link
    const wchar_t* target;  // relative to the victim; "" is the victim itself
  };
  const Case cases[] = {
      {"the folder given is a link", L"", L""},
      {"a subfolder is a link", L"sub", L""},
      {"a file is a link", L"file.txt", L"precious.txt"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RemoveLinks();
    RemoveAll(root_);
    RemoveAll(victim_);
    ASSERT_NO_FATAL_FAILURE(MakeVictim());
    const std::wstring target = *c.target ? victim_ + L"\\" + c.target : victim_;
    const std::wstring link = *c.link ? In(c.link) : root_;
    if (*c.link) {
      ASSERT_TRUE(MakeFolder(root_));
      ASSERT_TRUE(MakeFile(In(L"own.txt")));
    }
    ASSERT_NO_FATAL_FAILURE(MakeLink(link, target));
    if (IsSkipped()) return;

    int removed = kst::DeleteTree(root_.c_str());

    ExpectVictimWhole();
    if (*c.link) {
      ExpectOwnFileAndLinkRemoved(removed, link);
    } else {
      EXPECT_EQ(removed, Exists(root_) ? 0 : 1);  // at most the link itself
    }
  }
}

// The folder given lies behind a link on the way: what it reaches is someone else's.
TEST_F(DeleteTreeTest, FolderGivenThroughALinkOnTheWayStays) {
  ASSERT_NO_FATAL_FAILURE(MakeVictim());
  ASSERT_TRUE(MakeFolder(root_));
  ASSERT_NO_FATAL_FAILURE(MakeLink(In(L"linked"), victim_));
  if (IsSkipped()) return;

  EXPECT_EQ(kst::DeleteTree(In(L"linked\\inner").c_str()), 0);

  ExpectVictimWhole();
  EXPECT_TRUE(Exists(victim_ + L"\\inner"));
}

// Another program takes a listed entry away and puts a link in its place before the walk opens it.
struct CSwap {
  DeleteTreeTest* test;
  std::wstring entry;
  std::wstring aside;
  std::wstring target;
  bool done;
};
CSwap* activeSwap = nullptr;

void SwapForLink(const wchar_t* path) {
  CSwap& swap = *activeSwap;
  if (swap.done || swap.entry != path) return;
  swap.done = true;
  ASSERT_TRUE(MoveFileW(path, swap.aside.c_str()));
  swap.test->MakeLink(swap.entry, swap.target);
}

TEST_F(DeleteTreeTest, EntrySwappedForALinkAfterListingIsNotFollowed) {
  struct Case {
    const char* name;
    const wchar_t* entry;
    bool folder;
    const wchar_t* target;  // relative to the victim; "" is the victim itself
  };
  const Case cases[] = {
      {"a folder", L"sub", true, L""},
      {"a file", L"file.txt", false, L"precious.txt"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RemoveLinks();
    RemoveAll(root_);
    RemoveAll(victim_);
    const std::wstring aside = base_ + L"\\aside";
    RemoveAll(aside);
    ASSERT_NO_FATAL_FAILURE(MakeVictim());
    ASSERT_TRUE(MakeFolder(root_));
    ASSERT_TRUE(MakeFile(In(L"own.txt")));
    if (c.folder) {
      ASSERT_TRUE(MakeFolder(In(c.entry)));
      ASSERT_TRUE(MakeFile(In(c.entry) + L"\\inside.txt"));
    } else {
      ASSERT_TRUE(MakeFile(In(c.entry)));
    }
    CSwap swap = {this, In(c.entry), aside, *c.target ? victim_ + L"\\" + c.target : victim_,
                  false};
    activeSwap = &swap;
    kst::SetDeleteTreeEntryHook(SwapForLink);

    int removed = kst::DeleteTree(root_.c_str());

    kst::SetDeleteTreeEntryHook(nullptr);
    if (IsSkipped()) return;
    ASSERT_TRUE(swap.done);
    ExpectVictimWhole();
    ExpectOwnFileAndLinkRemoved(removed, swap.entry);
  }
}

TEST_F(DeleteTreeTest, EntryWhosePathWouldNotFitStays) {
  // The folder fits, and so does its search pattern; the long entry inside it does not.
  const std::wstring folder = base_ + L"\\" + std::wstring(kst::kMaxPath - 10 - base_.size(), L'd');
  ASSERT_LT(folder.size() + 4, kst::kMaxPath);
  ASSERT_TRUE(MakeFolder(folder));
  const std::wstring longEntry = folder + L"\\" + std::wstring(40, L'n');
  ASSERT_TRUE(MakeFile(longEntry));
  ASSERT_TRUE(MakeFile(folder + L"\\s"));

  EXPECT_EQ(kst::DeleteTree(folder.c_str()), 1);

  EXPECT_TRUE(Exists(Long(longEntry)));
  EXPECT_FALSE(Exists(Long(folder + L"\\s")));
  EXPECT_TRUE(Exists(Long(folder)));
}

// The walk lists a folder through its handle, so a folder whose search pattern ("\\*.*") would not
// fit in a path is emptied and removed all the same.
TEST_F(DeleteTreeTest, FolderWhosePatternWouldNotFitIsEmptiedThroughItsHandle) {
  const std::wstring folder = base_ + L"\\" + std::wstring(kst::kMaxPath - 5 - base_.size(), L'd');
  ASSERT_GE(folder.size() + 4, kst::kMaxPath);
  ASSERT_TRUE(MakeFolder(folder));
  ASSERT_TRUE(MakeFile(folder + L"\\s"));

  EXPECT_EQ(kst::DeleteTree(folder.c_str()), 2);

  EXPECT_FALSE(Exists(Long(folder)));
}

// Where a handle's final path cannot be read (XP), an entry counts as at a path only when walking
// the path one folder at a time, never through a link, reaches it.
TEST_F(DeleteTreeTest, AnEntryIsReachedAlongItsPathOnlyWithoutALinkOnTheWay) {
  ASSERT_NO_FATAL_FAILURE(MakeVictim());
  ASSERT_TRUE(MakeFolder(root_));
  ASSERT_TRUE(MakeFolder(In(L"sub")));
  ASSERT_TRUE(MakeFile(In(L"sub\\own.txt")));
  ASSERT_TRUE(MakeFile(In(L"other.txt")));
  ASSERT_NO_FATAL_FAILURE(MakeLink(In(L"linked"), victim_));
  std::wstring upper = In(L"sub\\own.txt");
  for (wchar_t& c : upper) c = static_cast<wchar_t>(towupper(c));
  struct Case {
    const char* name;
    std::wstring held;
    std::wstring path;
    bool reached;
  } const cases[] = {
      {"the file at its path", In(L"sub\\own.txt"), In(L"sub\\own.txt"), true},
      {"letters in another case", In(L"sub\\own.txt"), upper, true},
      {"doubled separators", In(L"sub\\own.txt"), root_ + L"\\\\sub\\\\own.txt", true},
      {"a folder with a trailing separator", In(L"sub"), In(L"sub\\"), true},
      {"another file at the path", In(L"other.txt"), In(L"sub\\own.txt"), false},
      {"a file reached through a linked folder", victim_ + L"\\precious.txt",
       In(L"linked\\precious.txt"), false},
      {"the linked folder's target itself", victim_ + L"\\precious.txt",
       victim_ + L"\\precious.txt", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HANDLE held = CreateFileW(c.held.c_str(), FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE) << GetLastError();
    EXPECT_EQ(kst::IsReachedAlongPath(held, c.path.c_str()), c.reached);
    CloseHandle(held);
  }
}

// "C:" names the current folder of drive C; an empty one there must not be taken for the tree.
TEST_F(DeleteTreeTest, BareDriveSpecDeletesNothing) {
  ASSERT_TRUE(MakeFolder(root_));
  ASSERT_TRUE(SetCurrentDirectoryW(root_.c_str()));
  ASSERT_EQ(towupper(root_[0]), L'C');

  EXPECT_EQ(kst::DeleteTree(L"C:"), 0);

  SetCurrentDirectoryW(L"C:\\");
  EXPECT_TRUE(Exists(root_));
}

TEST(IsBareDriveSpec, ExactlyALetterAndAColon) {
  struct Case {
    const wchar_t* path;
    int bare;
  };
  const Case cases[] = {
      {L"C:", 1},  {L"z:", 1},  {L"C:\\", 0}, {L"C", 0},         {L"", 0},
      {L"C:x", 0}, {L"CC:", 0}, {L":", 0},    {L"\\\\?\\C:", 0}, {L"C:\\Kestrel", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(kst::IsBareDriveSpec(c.path), c.bare) << testing::PrintToString(std::wstring(c.path));
  }
}

}  // namespace
