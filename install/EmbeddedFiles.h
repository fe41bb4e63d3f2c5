// The product files embedded in the installer and their extraction to disk.
#pragma once

#include <windows.h>

#include <stddef.h>
#include <stdint.h>

#include "base/Path.h"
#include "install/PayloadFiles.h"

namespace kst {

// The install folder a file is extracted into.
enum class PayloadFolder { kProgram, kSystemData, kUserData };

struct EmbeddedFile {
  const char* markerName;
  const uint8_t* slot;
  size_t capacity;
  PayloadFolder folder;
  const wchar_t* name;         // relative to the folder, as handed to ExtractEmbeddedFile
  const wchar_t* failureText;  // the install sequence's status text when the extraction fails
};

// In extraction order.
extern const EmbeddedFile kEmbeddedFiles[kPayloadFileCount];

// How writing or checking one product file ended. The engine shows nothing; the install sequence
// turns a failure into the message the user sees.
enum class FileResult {
  kDone,
  kOutOfMemory,   // no memory for the inflated file or for the inflater
  kDamaged,       // the record cannot be right for its slot, or its stream does not inflate
  kCannotCreate,  // the file cannot be created (also for a path longer than MAX_PATH)
  kCannotWrite,   // it was created but not written whole
  // Written; the earlier copy, which another program used, was renamed aside (kInUseMark) and
  // waits for the next restart to delete it.
  kDoneBesideCopyInUse,
};

inline bool IsWritten(FileResult result) {
  return result == FileResult::kDone || result == FileResult::kDoneBesideCopyInUse;
}

// Inflates the record of the slot and writes it as folder\name. An earlier copy there that
// another program uses (a program that runs, a library it loaded) is renamed aside first where the
// system lets it, and its name goes to aside; a copy held open without delete sharing stays and
// the file cannot be created.
FileResult ExtractEmbeddedFile(const wchar_t* folder, const wchar_t* name, const uint8_t* slot,
                               size_t capacity, CPath* aside = nullptr);

// Inflates the slot's record as extraction would and checks it whole: the stream's own check
// value and the recorded inflated size; the memory is released at once. kDone, kOutOfMemory or
// kDamaged.
FileResult CheckEmbeddedFile(const uint8_t* slot, size_t capacity);

// Creates or replaces the file at path with exactly count bytes of data. The program runs
// elevated and the folders may be writable by others: a link or a file with a second name at path
// loses that name (what it leads to stays as it is) and a new file is made; the file is written
// only once its handle shows it at path itself with one name, else kCannotCreate, and a file this
// call made is removed again.
FileResult WriteWholeFile(const wchar_t* path, const void* data, DWORD count);

}  // namespace kst
