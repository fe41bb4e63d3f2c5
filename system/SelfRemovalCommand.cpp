#include "system/SelfRemovalCommand.h"

#include "base/Path.h"
#include "base/Text.h"

namespace kst {

// ping to the loopback address is the shell's pause of a few seconds (older systems have no
// other), so that the uninstaller has ended and its file can go; the text is kept as it is.
bool FormatSelfRemovalParameters(const wchar_t* programFolder, wchar_t* out, size_t capacity) {
  if (capacity > 0) out[0] = L'\0';
  // A quote would end the folder's argument early and cmd expands %NAME% even inside quotes:
  // either would remove some other folder.
  if (WideContains(programFolder, L"\"") || WideContains(programFolder, L"%")) return false;
  const wchar_t* parts[] = {L"/c ping 127.0.0.1 | rd /s/q \"", programFolder, L"\" rd /q \"",
                            programFolder, L"\"\\uninstall.exe | ping 127.0.0.1"};
  return JoinTextParts(out, capacity, parts, sizeof(parts) / sizeof(parts[0]));
}

bool IsProductFolderName(const wchar_t* programFolder) {
  return WideContains(programFolder, L"kestrel") || WideContains(programFolder, L"Kestrel");
}

}  // namespace kst
