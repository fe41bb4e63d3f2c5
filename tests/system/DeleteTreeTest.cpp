// Folder tree removal over real folders in the test prefix.
#include <gtest/gtest.h>
#include <windows.h>

#include <cwctype>
#include <initializer_list>
#include <string>
#include <vector>

#include "base/Path.h"
#include "system/DeleteTree.h"

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

// Wine shows a Unix symbolic link as a directory reparse point; these reach the Unix side.
using UnixNameFn = char*(CDECL*)(const wchar_t*);
using DosNameFn = wchar_t*(CDECL*)(const char*);

template <typename Fn>
Fn WineExport(const char* name) {
  return reinterpret_cast<Fn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), name)));
}

UnixNameFn WineUnixName() { return WineExport<UnixNameFn>("wine_get_unix_file_name"); }

std::string UnixPath(const std::wstring& path) {
  char* name = WineUnixName()(path.c_str());
  std::string unixPath = name ? name : "";
  HeapFree(GetProcessHeap(), 0, name);
  return unixPath;
}

// Wine splits the command line of a Unix program the Windows way (each argument goes in double
// quotes) and gives no handle to wait on: callers watch for the program's effect instead.
bool StartUnix(const char* program, std::initializer_list<std::string> arguments) {
  auto dosName = WineExport<DosNameFn>("wine_get_dos_file_name");
  if (!dosName) return false;
  wchar_t* application = dosName(program);
  if (!application) return false;
  std::string line = program;
  for (const std::string& argument : arguments) line += " \"" + argument + "\"";
  std::wstring commandLine(line.begin(), line.end());
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  BOOL started = CreateProcessW(application, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                                nullptr, &startup, &process);
  HeapFree(GetProcessHeap(), 0, application);
  if (process.hThread) CloseHandle(process.hThread);
  if (process.hProcess) CloseHandle(process.hProcess);
  return started;
}

bool WaitUntilExists(const std::wstring& path, bool exists) {
  for (int i = 0; i < 200; ++i) {
    if (Exists(path) == exists) return true;
    Sleep(50);
  }
  return false;
}

// Links are removed, never followed; attributes are cleared first so that system files go too.
// The attributes come from the folder's listing, which shows a link even when its target is gone.
void RemoveEntry(const std::wstring& path, DWORD attributes) {
  SetFileAttributesW(Long(path).c_str(), FILE_ATTRIBUTE_NORMAL);
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    if (!RemoveDirectoryW(Long(path).c_str()) && !DeleteFileW(Long(path).c_str()) &&
        WineUnixName()) {
      StartUnix("/bin/rm", {"-f", UnixPath(path)}) && WaitUntilExists(path, false);
    }
    return;
  }
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

// The names in a folder in the order the file system walks them.
std::vector<std::wstring> WalkOrder(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW entry;
  HANDLE search = FindFirstFileW((folder + L"\\*.*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    if (entry.cFileName[0] != L'.') names.push_back(entry.cFileName);
  } while (FindNextFileW(search, &entry));
  FindClose(search);
  return names;
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
  }
  void TearDown() override {
    SetCurrentDirectoryW(L"C:\\");
    // The tree first, so that a link in it is removed while its target still exists.
    RemoveAll(root_);
    RemoveAll(base_);
  }

  std::wstring In(const std::wstring& relative) const { return root_ + L"\\" + relative; }

  std::wstring base_;
  std::wstring root_;
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
  const std::vector<std::wstring> order = WalkOrder(root_);

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

TEST_F(DeleteTreeTest, LinkToAnOutsideFolderIsNotFollowed) {
  const std::wstring outside = base_ + L"\\outside";
  ASSERT_TRUE(MakeFolder(outside));
  ASSERT_TRUE(MakeFolder(outside + L"\\inner"));
  ASSERT_TRUE(MakeFile(outside + L"\\precious.txt"));
  ASSERT_TRUE(MakeFile(outside + L"\\inner\\deeper.txt"));
  ASSERT_TRUE(MakeFolder(root_));
  ASSERT_TRUE(MakeFile(In(L"own.txt")));
  const std::wstring link = In(L"link");
  if (WineUnixName()) {
    ASSERT_TRUE(StartUnix("/bin/ln", {"-s", UnixPath(outside), UnixPath(link)}));
    ASSERT_TRUE(WaitUntilExists(link, true));
  } else if (!CreateSymbolicLinkW(link.c_str(), outside.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY)) {
    GTEST_SKIP() << "no right to make symbolic links here";
  }
  WIN32_FIND_DATAW entry;
  HANDLE search = FindFirstFileW(link.c_str(), &entry);
  ASSERT_NE(search, INVALID_HANDLE_VALUE);
  FindClose(search);
  ASSERT_TRUE(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);

  int removed = kst::DeleteTree(root_.c_str());

  EXPECT_TRUE(Exists(outside + L"\\precious.txt"));
  EXPECT_TRUE(Exists(outside + L"\\inner\\deeper.txt"));
  EXPECT_FALSE(Exists(In(L"own.txt")));
  // Wine cannot remove the link itself (error 18); then it and the root stay.
  int linkGone = Exists(link) ? 0 : 1;
  int rootGone = Exists(root_) ? 0 : 1;
  EXPECT_EQ(rootGone, linkGone);
  EXPECT_EQ(removed, 1 + linkGone + rootGone);
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

TEST_F(DeleteTreeTest, FolderWhosePatternWouldNotFitIsLeftAlone) {
  const std::wstring folder = base_ + L"\\" + std::wstring(kst::kMaxPath - 3 - base_.size(), L'd');
  ASSERT_TRUE(MakeFolder(folder));
  ASSERT_TRUE(MakeFile(folder + L"\\s"));

  EXPECT_EQ(kst::DeleteTree(folder.c_str()), 0);

  EXPECT_TRUE(Exists(Long(folder + L"\\s")));
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
