#include "system/Shortcuts.h"

#include <shlobj.h>

#include "base/ComInit.h"
#include "base/ComRef.h"
#include "base/HandleFacts.h"
#include "install/EmbeddedFiles.h"
#include "install/Folders.h"
#include "install/ProductComponents.h"
#include "system/DeleteTree.h"
#include "system/Registry.h"

namespace kst {
namespace {

constexpr wchar_t kProgramsFolderName[] = L"Veltrin";
constexpr wchar_t kDesktopLinkName[] = L"Veltrin";

struct CShortcutFolders {
  int programs;
  int desktop;
};

CShortcutFolders ShortcutFoldersFor(bool allUsers) {
  if (allUsers) return {CSIDL_COMMON_PROGRAMS, CSIDL_COMMON_DESKTOPDIRECTORY};
  return {CSIDL_PROGRAMS, CSIDL_DESKTOPDIRECTORY};
}

struct CLinkSpec {
  bool onDesktop;
  const wchar_t* name;
  const wchar_t* program;
  const wchar_t* arguments;
};

// In the order of creation; the desktop link comes last.
constexpr CLinkSpec kLinks[] = {
    {false, L"Veltrin\\Veltrin", kMainProgramFile, kShowMainArgument},
    {false, L"Veltrin\\卸载", kUninstallerFile, nullptr},
    {true, kDesktopLinkName, kMainProgramFile, kShowMainArgument},
};

bool SpecialFolderPath(CPath& out, int folderId) {
  LPITEMIDLIST folder = nullptr;
  if (FAILED(::SHGetSpecialFolderLocation(nullptr, folderId, &folder))) return false;
  BOOL resolved = ::SHGetPathFromIDListW(folder, out.Buffer());
  ::CoTaskMemFree(folder);
  if (!resolved) return false;
  out.Sync();
  return true;
}

bool SpecialFolderPathWith(CPath& out, int folderId, const wchar_t* name,
                           const wchar_t* extension) {
  CPath path;
  if (!SpecialFolderPath(path, folderId) || !path.Join(name) || !path.Append(extension))
    return false;
  out = path;
  return true;
}

// Every link is tried, also after one failed; true when all of them were written.
bool CreateLinks(bool allUsers) {
  CShortcutFolders folders = ShortcutFoldersFor(allUsers);
  CPath base;
  CPath programFolder;
  if (!GetBaseFolder(allUsers, base) || !GetProgramFolder(base.Get(), programFolder)) return false;
  bool created = CreateProgramsFolder(folders.programs);
  CPath desktopLink;
  for (const CLinkSpec& link : kLinks) {
    CPath linkFile;
    CPath target = programFolder;
    if (!SpecialFolderLinkPath(linkFile, link.onDesktop ? folders.desktop : folders.programs,
                               link.name) ||
        !target.Join(link.program)) {
      created = false;
      continue;
    }
    const bool linked = CreateShellLink(target.Get(), linkFile.Get(), link.arguments);
    created = linked && created;
    if (link.onDesktop && linked) desktopLink = linkFile;
  }
  if (!desktopLink.IsEmpty()) NotifyShellPath(SHCNE_CREATE | SHCNE_INTERRUPT, desktopLink.Get());
  return created;
}

// The link's own name goes, through a handle on the entry itself and only where that entry is at
// its path, so that a folder on the way swapped for a link steers the deletion nowhere.
void DeleteLinkFile(const wchar_t* path) {
  CFileHandle entry = OpenEntryItself(path, DELETE | FILE_READ_ATTRIBUTES);
  if (entry && IsAtPath(entry.Get(), path)) MarkForDeletion(entry.Get());
}

}  // namespace

bool SpecialFolderItemPath(CPath& out, int folderId, const wchar_t* name) {
  return SpecialFolderPathWith(out, folderId, name, L"");
}

bool SpecialFolderLinkPath(CPath& out, int folderId, const wchar_t* name) {
  return SpecialFolderPathWith(out, folderId, name, L".lnk");
}

void NotifyShellPath(LONG event, const wchar_t* path) {
  ::SHChangeNotify(event, SHCNF_PATHW | SHCNF_FLUSH, path, nullptr);
}

// Spelled out rather than taken from libuuid, whose one object file brings some 40 KB of other
// interface ids into the executable.
constexpr CLSID kShellLinkClass = {0x00021401, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// The link's bytes, written as the product's files are (install/EmbeddedFiles.h): the shell would
// save the file by its name and follow whatever link someone put there or on the way.
bool SaveShellLink(IPersistStream* link, const wchar_t* linkFile) {
  CComRef<IStream> stream;
  if (FAILED(::CreateStreamOnHGlobal(nullptr, TRUE, stream.ReceiveTyped())) ||
      FAILED(link->Save(stream.Get(), TRUE)))
    return false;
  ULARGE_INTEGER size = {};
  HGLOBAL memory = nullptr;
  if (FAILED(stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_CUR, &size)) || size.HighPart != 0 ||
      FAILED(::GetHGlobalFromStream(stream.Get(), &memory)))
    return false;
  const void* bytes = ::GlobalLock(memory);
  const bool written =
      bytes != nullptr && WriteWholeFile(linkFile, bytes, size.LowPart) == FileResult::kDone;
  if (bytes != nullptr) ::GlobalUnlock(memory);
  return written;
}

bool CreateShellLink(const wchar_t* target, const wchar_t* linkFile, const wchar_t* arguments) {
  CComRef<IShellLinkW> link;
  if (FAILED(::CoCreateInstance(kShellLinkClass, nullptr, CLSCTX_INPROC_SERVER,
                                __uuidof(IShellLinkW), link.Receive()))) {
    return false;
  }
  link->SetPath(target);
  CComRef<IPersistStream> persisted;
  if (!link.Query(persisted)) return false;
  // Saved once it has its target, so that a link that cannot take the rest still leads somewhere.
  SaveShellLink(persisted.Get(), linkFile);
  if (arguments) link->SetArguments(arguments);
  link->SetIconLocation(target, 0);
  return SaveShellLink(persisted.Get(), linkFile);
}

bool CreateProgramsFolder(int programsFolderId) {
  CPath folder;
  if (!SpecialFolderItemPath(folder, programsFolderId, kProgramsFolderName)) return false;
  const bool existed = ::GetFileAttributesW(folder.Get()) != INVALID_FILE_ATTRIBUTES;
  if (!IsReady(EnsureFolder(folder.Get()))) return false;
  if (!existed) NotifyShellPath(SHCNE_MKDIR | SHCNE_INTERRUPT, folder.Get());
  return true;
}

bool CreateShortcuts(bool allUsers) {
  // On a thread that is in another apartment already the shell's link object can still be had;
  // where it cannot, the links fail one by one and say so.
  const CComInit com;
  return CreateLinks(allUsers);
}

bool DeleteShortcuts() {
  DWORD allUsers = 0;
  ReadInstallForAllUser(allUsers);
  CShortcutFolders folders = ShortcutFoldersFor(allUsers != 0);
  CPath programsFolder;
  CPath desktopLink;
  if (!SpecialFolderItemPath(programsFolder, folders.programs, kProgramsFolderName) ||
      !SpecialFolderLinkPath(desktopLink, folders.desktop, kDesktopLinkName))
    return false;
  DeleteTree(programsFolder.Get());
  DeleteLinkFile(desktopLink.Get());
  NotifyShellPath(SHCNE_RMDIR | SHCNE_INTERRUPT, programsFolder.Get());
  return ::GetFileAttributesW(programsFolder.Get()) == INVALID_FILE_ATTRIBUTES &&
         ::GetFileAttributesW(desktopLink.Get()) == INVALID_FILE_ATTRIBUTES;
}

}  // namespace kst
