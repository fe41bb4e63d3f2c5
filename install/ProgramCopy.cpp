#include "install/ProgramCopy.h"

#include <string.h>

#include "base/Check.h"
#include "base/ProgramPaths.h"
#include "install/ImageLayout.h"
#include "install/ProductComponents.h"

namespace kst {
namespace {

// The file of the live CProgramFileHold, which owns it; none without. A plain handle, so that the
// program, which starts without the C runtime's start-up code, needs no constructor run for it.
HANDLE heldProgramFile = nullptr;

// The whole file from its start, wherever an earlier copy left the file position.
bool ReadWholeFile(HANDLE file, uint8_t* out, DWORD size) {
  for (DWORD done = 0; done < size;) {
    OVERLAPPED at = {};
    at.Offset = done;
    DWORD read = 0;
    if (!::ReadFile(file, out + done, size - done, &read, &at) || read == 0) return false;
    done += read;
  }
  return true;
}

// The file holds each slot's start as it is in memory; the rest of the slot the loader fills
// with zeros, so there the running program must hold zeros too.
bool HoldsTheRunningSlots(const uint8_t* file, size_t size) {
  const uint8_t* image = reinterpret_cast<const uint8_t*>(::GetModuleHandleW(nullptr));
  for (const EmbeddedFile& embedded : kEmbeddedFiles) {
    size_t offset = 0;
    size_t held = 0;
    const uint32_t rva = static_cast<uint32_t>(embedded.slot - image);
    if (!FileOffsetOfImageRange(file, size, rva, embedded.capacity, offset, held) ||
        memcmp(file + offset, embedded.slot, held) != 0)
      return false;
    for (size_t at = held; at < embedded.capacity; ++at)
      if (embedded.slot[at] != 0) return false;
  }
  return true;
}

FileResult CopyRunningProgram(const wchar_t* path) {
  BY_HANDLE_FILE_INFORMATION facts;
  if (!heldProgramFile || !::GetFileInformationByHandle(heldProgramFile, &facts) ||
      facts.nFileSizeHigh != 0)
    return FileResult::kDamaged;
  const DWORD size = facts.nFileSizeLow;
  CGlobalMemory buffer(::GlobalAlloc(GMEM_FIXED, size));
  if (!buffer) return FileResult::kOutOfMemory;
  uint8_t* bytes = static_cast<uint8_t*>(buffer.Get());
  if (!ReadWholeFile(heldProgramFile, bytes, size) || !HoldsTheRunningSlots(bytes, size))
    return FileResult::kDamaged;
  return WriteWholeFile(path, bytes, size);
}

}  // namespace

CProgramFileHold::CProgramFileHold() {
  KST_CHECK(heldProgramFile == nullptr);
  CPath self;
  if (!GetProgramPath(self)) return;
  // The entry itself: a link or a second name put at the program's name before this point would
  // lead to a file of someone else's, which is then not held and not copied.
  file_.Reset(::CreateFileW(self.Get(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  BY_HANDLE_FILE_INFORMATION facts;
  if (!file_ || !::GetFileInformationByHandle(file_.Get(), &facts) ||
      (facts.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 || facts.nNumberOfLinks != 1) {
    file_.Reset();
    return;
  }
  heldProgramFile = file_.Get();
}

CProgramFileHold::~CProgramFileHold() { heldProgramFile = nullptr; }

FileResult InstallUninstaller(const wchar_t* programFolder) {
  CPath target;
  if (!target.Assign(programFolder) || !target.Join(kUninstallerFile))
    return FileResult::kCannotCreate;
  return CopyRunningProgram(target.Get());
}

bool HasUninstaller(const wchar_t* programFolder) {
  CPath target;
  if (!target.Assign(programFolder) || !target.Join(kUninstallerFile)) return false;
  const DWORD attributes = ::GetFileAttributesW(target.Get());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace kst
