#include "install/EmbeddedFiles.h"

#include <zlib.h>

#include "base/Handles.h"
#include "base/Path.h"
#include "install/PayloadFormat.h"
#include "install/PayloadSlots.h"

namespace kst {

namespace {

constexpr wchar_t kCopyFailedTextOfAppFolders[] =
    L"安装失败,可能是某款安全软件反应过慢妨碍了文件拷贝,请退出安全软件再重试";

void ShowError(const wchar_t* text) { ::MessageBoxW(nullptr, text, L"错误", MB_OK); }

// Inflates the slot's record in one call into a buffer of its recorded size. False after the
// message box that says what failed.
bool InflateRecord(const uint8_t* slot, size_t capacity, CGlobalMemory* buffer,
                   uint32_t* recordedSize, DWORD* inflatedSize) {
  PayloadRecordView record;
  if (!ReadPayloadRecord(slot, capacity, &record)) {
    ShowError(L"文件解压失败.");
    return false;
  }
  // GMEM_FIXED memory: the handle is the address.
  buffer->Reset(::GlobalAlloc(GMEM_FIXED, static_cast<SIZE_T>(record.inflatedSize) + 8));
  if (!*buffer) {
    ShowError(L"申请内存失败.");
    return false;
  }
  // Offering exactly the recorded size makes a stream that inflates to more fail here.
  uLongf produced = record.inflatedSize;
  if (::uncompress(static_cast<Bytef*>(buffer->Get()), &produced, record.stream,
                   record.packedSize) != Z_OK) {
    ShowError(L"文件解压失败.");
    return false;
  }
  *recordedSize = record.inflatedSize;
  *inflatedSize = static_cast<DWORD>(produced);
  return true;
}

}  // namespace

const EmbeddedFile kEmbeddedFiles[kPayloadFileCount] = {
    {kPayloadFiles[0].name, kestrelExeSlot, sizeof(kestrelExeSlot), PayloadFolder::kProgram,
     L"kestrel.exe", L"安装失败,拷贝kestrel.exe时出错."},
    {kPayloadFiles[1].name, kstupdateExeSlot, sizeof(kstupdateExeSlot), PayloadFolder::kProgram,
     L"kstupdate.exe", L"安装失败,拷贝kstupdate.exe时出错."},
    {kPayloadFiles[2].name, kestrelMainExeSlot, sizeof(kestrelMainExeSlot), PayloadFolder::kProgram,
     L"KestrelMain.exe", L"安装失败,拷贝KestrelMain.exe时出错."},
    {kPayloadFiles[3].name, appThemesuDllSlot, sizeof(appThemesuDllSlot), PayloadFolder::kProgram,
     L"App_Themesu.dll", L"安装失败,拷贝App_Themesu.dll时出错."},
    {kPayloadFiles[4].name, ksthooker32DllSlot, sizeof(ksthooker32DllSlot), PayloadFolder::kProgram,
     L"ksthooker32.dll", L"安装失败,拷贝ksthooker32.dll时出错."},
    {kPayloadFiles[5].name, kstserviceExeSlot, sizeof(kstserviceExeSlot), PayloadFolder::kProgram,
     L"kstservice.exe", L"安装失败,拷贝kstservice.exe时出错."},
    {kPayloadFiles[6].name, kestrelGlobalConfigSlot, sizeof(kestrelGlobalConfigSlot),
     PayloadFolder::kProgram, L"App_Config\\Kestrel_Global.config", kCopyFailedTextOfAppFolders},
    {kPayloadFiles[7].name, defaultThemesSlot, sizeof(defaultThemesSlot), PayloadFolder::kProgram,
     L"App_Themes\\Themes\\default.themes", kCopyFailedTextOfAppFolders},
    {kPayloadFiles[8].name, filelistSlot, sizeof(filelistSlot), PayloadFolder::kSystemData,
     L"filelist", L"安装失败,拷贝filelist时出错."},
    {kPayloadFiles[9].name, badwordTxtSlot, sizeof(badwordTxtSlot), PayloadFolder::kSystemData,
     L"badword.txt", L"安装失败,拷贝badword.txt时出错."},
    {kPayloadFiles[10].name, kestrelrulesTxtSlot, sizeof(kestrelrulesTxtSlot),
     PayloadFolder::kSystemData, L"kestrelrules.txt", L"安装失败,拷贝kestrelrules.txt时出错."},
    {kPayloadFiles[11].name, easylistchinaTxtSlot, sizeof(easylistchinaTxtSlot),
     PayloadFolder::kSystemData, L"easylistchina.txt", L"安装失败,拷贝easylistchina.txt时出错."},
    {kPayloadFiles[12].name, malwaredomainsFullTxtSlot, sizeof(malwaredomainsFullTxtSlot),
     PayloadFolder::kSystemData, L"malwaredomains_full.txt",
     L"安装失败,拷贝malwaredomains_full.txt时出错."},
    {kPayloadFiles[13].name, easyprivacyTxtSlot, sizeof(easyprivacyTxtSlot),
     PayloadFolder::kSystemData, L"easyprivacy.txt", L"安装失败,拷贝easyprivacy.txt时出错."},
    {kPayloadFiles[14].name, gooddomainTxtSlot, sizeof(gooddomainTxtSlot), PayloadFolder::kUserData,
     L"gooddomain.txt", L"安装失败,拷贝gooddomain.txt时出错."},
};

int ExtractEmbeddedFile(const wchar_t* folder, const wchar_t* name, const uint8_t* slot,
                        size_t capacity) {
  // A path that does not fit is a file that cannot be created.
  CPath path;
  if (!path.Assign(folder) || !path.Join(name)) {
    ShowError(L"创建文件失败");
    return 0;
  }
  CGlobalMemory buffer;
  uint32_t recordedSize = 0;
  DWORD inflatedSize = 0;
  if (!InflateRecord(slot, capacity, &buffer, &recordedSize, &inflatedSize)) return 0;
  return WriteWholeFile(path.Get(), buffer.Get(), inflatedSize);
}

int CheckEmbeddedFile(const uint8_t* slot, size_t capacity) {
  CGlobalMemory buffer;
  uint32_t recordedSize = 0;
  DWORD inflatedSize = 0;
  if (!InflateRecord(slot, capacity, &buffer, &recordedSize, &inflatedSize)) return 0;
  // zlib has checked the stream's own check value; a stream that ends early is damaged too.
  if (inflatedSize != recordedSize) {
    ShowError(L"文件解压失败.");
    return 0;
  }
  return 1;
}

int WriteWholeFile(const wchar_t* path, const void* data, DWORD count) {
  CFileHandle file(
      ::CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr));
  if (!file) {
    ShowError(L"创建文件失败");
    return 0;
  }
  DWORD written = 0;
  if (!::WriteFile(file.Get(), data, count, &written, nullptr) || written != count) {
    ShowError(L"写文件失败");
    return 0;
  }
  return 1;
}

}  // namespace kst
