#include "install/EmbeddedFiles.h"

#include "base/HandleFacts.h"
#include "base/Handles.h"
#include "base/Inflate.h"
#include "base/Path.h"
#include "base/Text.h"
#include "install/PayloadFormat.h"
#include "install/PayloadSlots.h"
#include "install/ProductComponents.h"

namespace kst {
namespace {

// Inflates the slot's record in one call into a buffer of its recorded size.
FileResult InflateRecord(const uint8_t* slot, size_t capacity, CGlobalMemory* buffer,
                         uint32_t* recordedSize, DWORD* inflatedSize) {
  PayloadRecordView record;
  if (!ReadPayloadRecord(slot, capacity, &record)) return FileResult::kDamaged;
  // GMEM_FIXED memory: the handle is the address.
  buffer->Reset(::GlobalAlloc(GMEM_FIXED, static_cast<SIZE_T>(record.inflatedSize) + 8));
  if (!*buffer) return FileResult::kOutOfMemory;
  // Offering exactly the recorded size makes a stream that inflates to more fail here.
  size_t produced = 0;
  const InflateResult inflated = InflateZlibStream(record.stream, record.packedSize, buffer->Get(),
                                                   record.inflatedSize, &produced);
  if (inflated != InflateResult::kDone)
    return inflated == InflateResult::kOutOfMemory ? FileResult::kOutOfMemory
                                                   : FileResult::kDamaged;
  *recordedSize = record.inflatedSize;
  *inflatedSize = static_cast<DWORD>(produced);
  return FileResult::kDone;
}

// A link or a file with a second name at path leads to a file that someone else may have chosen:
// its name goes (through a handle on the entry itself, never on what it leads to), so that a new
// file takes its place. False when such an entry is there and stays, also when a folder on the way
// was swapped for a link: the name reached is then not the one at path.
bool RemoveLinkedName(const wchar_t* path) {
  CFileHandle entry = OpenEntryItself(path, FILE_READ_ATTRIBUTES | DELETE);
  BY_HANDLE_FILE_INFORMATION info;
  if (!entry || !::GetFileInformationByHandle(entry.Get(), &info)) return true;
  if ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0 && info.nNumberOfLinks == 1)
    return true;
  return IsAtPath(entry.Get(), path) && MarkForDeletion(entry.Get());
}

// The copy at path, which another program uses, goes aside under a name no product file has, in
// the same folder and through a handle on the file itself, and is queued for deletion at the next
// restart. False, with the last error of the step that failed, when it stays.
bool MoveInUseAside(const wchar_t* path, CPath& aside) {
  CFileHandle entry = OpenEntryItself(path, DELETE | FILE_READ_ATTRIBUTES | SYNCHRONIZE);
  if (!entry) return false;
  if (!IsPlainFileAt(entry.Get(), path)) {
    ::SetLastError(ERROR_SHARING_VIOLATION);
    return false;
  }
  for (uint32_t number = 1; number < 100; ++number) {
    wchar_t digits[kDecimalCapacity];
    FormatDecimal(number, digits);
    if (!aside.Assign(path) || !aside.Append(kInUseMark) || !aside.Append(digits)) return false;
    if (RenameEntry(entry.Get(), aside.Get()))
      return ::MoveFileExW(aside.Get(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
    if (::GetLastError() != ERROR_ALREADY_EXISTS && ::GetLastError() != ERROR_FILE_EXISTS)
      return false;
  }
  return false;
}

}  // namespace

const EmbeddedFile kEmbeddedFiles[kPayloadFileCount] = {
#define KST_PRODUCT_FILE(slot, name, capacity, folder, path, failure) \
  {name, slot, sizeof(slot), PayloadFolder::folder, path, failure},
#include "install/ProductFiles.def"
#undef KST_PRODUCT_FILE
};

FileResult ExtractEmbeddedFile(const wchar_t* folder, const wchar_t* name, const uint8_t* slot,
                               size_t capacity, CPath* aside) {
  // A path that does not fit is a file that cannot be created.
  CPath path;
  if (!path.Assign(folder) || !path.Join(name)) return FileResult::kCannotCreate;
  CGlobalMemory buffer;
  uint32_t recordedSize = 0;
  DWORD inflatedSize = 0;
  FileResult result = InflateRecord(slot, capacity, &buffer, &recordedSize, &inflatedSize);
  if (result != FileResult::kDone) return result;
  result = WriteWholeFile(path.Get(), buffer.Get(), inflatedSize);
  if (result != FileResult::kCannotCreate || ::GetLastError() != ERROR_SHARING_VIOLATION)
    return result;
  CPath movedTo;
  if (!MoveInUseAside(path.Get(), movedTo)) {
    ::SetLastError(ERROR_SHARING_VIOLATION);
    return FileResult::kCannotCreate;
  }
  result = WriteWholeFile(path.Get(), buffer.Get(), inflatedSize);
  if (result != FileResult::kDone) {
    // The product keeps the copy it has; its queued deletion then finds nothing at the restart.
    const DWORD error = ::GetLastError();
    ::MoveFileExW(movedTo.Get(), path.Get(), 0);
    ::SetLastError(error);
    return result;
  }
  if (aside != nullptr) *aside = movedTo;
  return FileResult::kDoneBesideCopyInUse;
}

FileResult CheckEmbeddedFile(const uint8_t* slot, size_t capacity) {
  CGlobalMemory buffer;
  uint32_t recordedSize = 0;
  DWORD inflatedSize = 0;
  FileResult result = InflateRecord(slot, capacity, &buffer, &recordedSize, &inflatedSize);
  // The inflater has checked the stream's own check value; a stream that ends early is damaged too.
  if (result == FileResult::kDone && inflatedSize != recordedSize) return FileResult::kDamaged;
  return result;
}

FileResult WriteWholeFile(const wchar_t* path, const void* data, DWORD count) {
  if (!RemoveLinkedName(path)) return FileResult::kCannotCreate;
  bool created = false;
  CFileHandle file = OpenOrCreateEntry(path, GENERIC_WRITE, FILE_SHARE_READ, created);
  if (!file) return FileResult::kCannotCreate;
  if (!IsPlainFileAt(file.Get(), path)) {
    if (created) MarkForDeletion(file.Get());
    return FileResult::kCannotCreate;
  }
  DWORD written = 0;
  if (!::WriteFile(file.Get(), data, count, &written, nullptr) || written != count ||
      !::SetEndOfFile(file.Get()))
    return FileResult::kCannotWrite;
  return FileResult::kDone;
}

}  // namespace kst
