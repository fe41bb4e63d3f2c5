// The ordered record of one run of a program under test: the texts its user-interface thread gave
// its windows (recorded by TextRecorder.dll from inside that thread) and the calls it made into the
// stand-in system DLLs, in one log file.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace kst::test {

// Sets a variable of the test's environment, which programs started from then on inherit, and
// puts the old value back at the end of the scope.
class CScopedVariable {
 public:
  CScopedVariable(const wchar_t* name, const std::wstring& value);
  ~CScopedVariable();
  CScopedVariable(const CScopedVariable&) = delete;
  CScopedVariable& operator=(const CScopedVariable&) = delete;

 private:
  std::wstring name_;
  std::optional<std::wstring> previous_;
};

class CRunLog {
 public:
  // Names a fresh log in KST_DOUBLE_LOG, which programs started from now on inherit.
  CRunLog();
  // Stops recording, puts the variable back and deletes the log.
  ~CRunLog();
  CRunLog(const CRunLog&) = delete;
  CRunLog& operator=(const CRunLog&) = delete;

  // Hooks the thread that owns the window; from now on it records the texts of all its windows.
  bool RecordTextsOf(HWND window);

  // Every line so far, in UTF-8.
  std::vector<std::string> Lines() const;
  // The texts given to the control, in order.
  std::vector<std::string> TextsOf(int controlId) const;
  // Where the first line equal to `line` stands, if there is one.
  std::optional<size_t> Find(const std::string& line) const;

 private:
  std::wstring path_;
  CScopedVariable variable_;
  HMODULE recorder_ = nullptr;
  HHOOK hook_ = nullptr;
};

// "text <control id> <text>" as the recorder writes it.
std::string TextLine(int controlId, const std::string& text);
// The line of a message box's text (its static control has the id 0xFFFF).
std::string BoxTextLine(const std::string& text);

}  // namespace kst::test
