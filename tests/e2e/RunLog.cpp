#include "RunLog.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace kst::test {
namespace {

constexpr wchar_t kLogVariable[] = L"KST_DOUBLE_LOG";
constexpr int kMessageBoxTextId = 0xFFFF;

std::optional<std::wstring> Variable(const wchar_t* name) {
  std::vector<wchar_t> buffer(32768);
  ::SetLastError(ERROR_SUCCESS);
  DWORD length = ::GetEnvironmentVariableW(name, buffer.data(), static_cast<DWORD>(buffer.size()));
  if (length == 0 && ::GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
  return std::wstring(buffer.data(), length);
}

std::wstring FolderOfThisProgram() {
  wchar_t path[MAX_PATH] = L"";
  DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path, length);
  return folder.substr(0, folder.find_last_of(L'\\'));
}

std::wstring NewLogPath() {
  static int runNumber = 0;
  wchar_t temp[MAX_PATH] = L"";
  ::GetTempPathW(MAX_PATH, temp);
  std::wstring path = std::wstring(temp) + L"kst-e2e-" + std::to_wstring(::GetCurrentProcessId()) +
                      L"-" + std::to_wstring(++runNumber) + L".log";
  ::DeleteFileW(path.c_str());
  return path;
}

}  // namespace

CScopedVariable::CScopedVariable(const wchar_t* name, const std::wstring& value)
    : name_(name), previous_(Variable(name)) {
  ::SetEnvironmentVariableW(name, value.c_str());
}

CScopedVariable::~CScopedVariable() {
  ::SetEnvironmentVariableW(name_.c_str(), previous_ ? previous_->c_str() : nullptr);
}

CRunLog::CRunLog() : path_(NewLogPath()), variable_(kLogVariable, path_) {}

CRunLog::~CRunLog() {
  if (hook_) ::UnhookWindowsHookEx(hook_);
  if (recorder_) ::FreeLibrary(recorder_);
  ::DeleteFileW(path_.c_str());
}

bool CRunLog::RecordTextsOf(HWND window) {
  if (!recorder_)
    recorder_ = ::LoadLibraryW((FolderOfThisProgram() + L"\\textrecorder.dll").c_str());
  if (!recorder_) return false;
  auto proc = reinterpret_cast<HOOKPROC>(
      reinterpret_cast<void*>(::GetProcAddress(recorder_, "RecordWindowTexts")));
  DWORD thread = ::GetWindowThreadProcessId(window, nullptr);
  if (!proc || !thread) return false;
  if (hook_) ::UnhookWindowsHookEx(hook_);
  hook_ = ::SetWindowsHookExW(WH_CALLWNDPROC, proc, recorder_, thread);
  return hook_ != nullptr;
}

std::vector<std::string> CRunLog::Lines() const {
  std::ifstream file(std::filesystem::path(path_), std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(text, line)) lines.push_back(line);
  return lines;
}

std::vector<std::string> CRunLog::TextsOf(int controlId) const {
  const std::string prefix = "text " + std::to_string(controlId) + " ";
  std::vector<std::string> texts;
  for (const std::string& line : Lines()) {
    if (line.rfind(prefix, 0) == 0) texts.push_back(line.substr(prefix.size()));
  }
  return texts;
}

std::optional<size_t> CRunLog::Find(const std::string& line) const {
  std::vector<std::string> lines = Lines();
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i] == line) return i;
  }
  return std::nullopt;
}

std::string TextLine(int controlId, const std::string& text) {
  return "text " + std::to_string(controlId) + " " + text;
}

std::string BoxTextLine(const std::string& text) { return TextLine(kMessageBoxTextId, text); }

}  // namespace kst::test
