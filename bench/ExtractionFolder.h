// A folder under %TEMP% laid out like an install's three folders, into which the benchmarks
// extract the payload packed into their own program.
#pragma once

#include <windows.h>

#include <string>

#include "install/EmbeddedFiles.h"

class ExtractionFolder {
 public:
  explicit ExtractionFolder(const wchar_t* name) {
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    std::wstring root = std::wstring(temp) + name;
    folders_[0] = root;
    folders_[1] = root + L"\\sysdata";
    folders_[2] = root + L"\\userdata";
    for (const wchar_t* sub : {L"", L"\\sysdata", L"\\userdata", L"\\App_Config", L"\\App_Themes",
                               L"\\App_Themes\\Themes"}) {
      ::CreateDirectoryW((root + sub).c_str(), nullptr);
    }
  }

  // Every file extracted as an install does; false at the first that fails.
  bool ExtractAll() const {
    for (const kst::EmbeddedFile& file : kst::kEmbeddedFiles) {
      if (kst::ExtractEmbeddedFile(FolderOf(file).c_str(), file.name, file.slot, file.capacity) !=
          kst::FileResult::kDone) {
        return false;
      }
    }
    return true;
  }

  void RemoveAll() const {
    for (const kst::EmbeddedFile& file : kst::kEmbeddedFiles)
      ::DeleteFileW((FolderOf(file) + L"\\" + file.name).c_str());
  }

 private:
  const std::wstring& FolderOf(const kst::EmbeddedFile& file) const {
    return folders_[static_cast<int>(file.folder)];
  }

  std::wstring folders_[3];
};
