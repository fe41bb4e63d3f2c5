// The product files embedded in the installer and their extraction to disk.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <windows.h>

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

// Inflates the record of the slot and writes it as folder\name. Returns 1 on success, 0 after a
// message box that says what failed: "申请内存失败.", "文件解压失败." (also for a record whose
// sizes cannot be right for the slot), "创建文件失败" (also for a path longer than MAX_PATH) or
// "写文件失败".
int ExtractEmbeddedFile(const wchar_t* folder, const wchar_t* name, const uint8_t* slot,
                        size_t capacity);

// Inflates the slot's record as extraction would and checks it whole: the stream's own check
// value and the recorded inflated size; the memory is released at once. Returns 1, or 0 after
// the message box that extraction would have shown ("申请内存失败." or "文件解压失败.").
int CheckEmbeddedFile(const uint8_t* slot, size_t capacity);

// Creates or replaces the file at path with exactly count bytes of data. Returns 1 on success,
// 0 after the message box "创建文件失败" or "写文件失败".
int WriteWholeFile(const wchar_t* path, const void* data, DWORD count);

}  // namespace kst
