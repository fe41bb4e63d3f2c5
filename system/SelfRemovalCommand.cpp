#include "system/SelfRemovalCommand.h"

#include <initializer_list>

#include "base/Path.h"
#include "base/Text.h"

namespace kst {

// ping to the loopback address is the shell's pause of a few seconds (older systems have no
// other), so that the uninstaller has ended and its file can go; the text is kept as it is.
bool FormatSelfRemovalParameters(const wchar_t* programFolder, const wchar_t* pingProgram,
                                 wchar_t* out, size_t capacity) {
  if (capacity > 0) out[0] = L'\0';
  // A quote would end the folder's argument early and cmd expands %NAME% even inside quotes:
  // either would remove some other folder.
  if (WideContains(programFolder, L"\"") || WideContains(programFolder, L"%")) return false;
  // ping stands unquoted at the start of the command: a quote there would make the shell strip
  // the command's first and last quotes, and a blank, a quote or one of the shell's operators
  // would split it.
  for (const wchar_t* special : {L" ", L"\"", L"%", L"&", L"|", L"<", L">", L"^", L"(", L")"}) {
    if (WideContains(pingProgram, special)) return false;
  }
  const wchar_t* parts[] = {
      L"/d /c ",      pingProgram,   L" 127.0.0.1 | rd /s/q \"", programFolder,
      L"\" rd /q \"", programFolder, L"\"\\uninstall.exe | ",    pingProgram,
      L" 127.0.0.1"};
  return JoinTextParts(out, capacity, parts, sizeof(parts) / sizeof(parts[0]));
}

bool FormatShellEnvironment(const wchar_t* windowsFolder, const wchar_t* systemFolder, wchar_t* out,
                            size_t capacity) {
  if (capacity > 0) out[0] = L'\0';
  struct Entry {
    const wchar_t* name;
    const wchar_t* folder;
    const wchar_t* rest;
  } const entries[] = {
      {L"ComSpec=", systemFolder, L"\\cmd.exe"}, {L"PATH=", systemFolder, L""},
      {L"PATHEXT=", L".COM;.EXE", L""},          {L"SystemRoot=", windowsFolder, L""},
      {L"TEMP=", windowsFolder, L"\\Temp"},      {L"TMP=", windowsFolder, L"\\Temp"},
  };
  size_t used = 0;
  for (const Entry& entry : entries) {
    const wchar_t* parts[] = {entry.name, entry.folder, entry.rest};
    if (used >= capacity || !JoinTextParts(out + used, capacity - used, parts, 3)) {
      if (capacity > 0) out[0] = L'\0';
      return false;
    }
    while (out[used] != L'\0') ++used;
    ++used;
  }
  // The empty string that ends the block.
  if (used >= capacity) {
    out[0] = L'\0';
    return false;
  }
  out[used] = L'\0';
  return true;
}

bool IsProductFolderName(const wchar_t* programFolder) {
  return WideContains(programFolder, L"kestrel") || WideContains(programFolder, L"Kestrel");
}

}  // namespace kst
