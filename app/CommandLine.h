// The switches of an unattended install or removal. They are read from the command line that
// follows the program's name (SkipProgramName), split into arguments by the rules
// CommandLineToArgvW applies after the program's name; platform-free, so that the rules are
// tested on any host.
#pragma once

#include <stddef.h>

#include "base/Path.h"

namespace kst {

enum class SwitchError {
  kNone,
  kNotASwitch,  // an argument that starts with neither "/" nor "-"
  kUnknown,
  kMissingValue,     // /LOG or /LOG= with nothing behind it
  kValueTooLong,     // a log path of kMaxPath characters or more
  kUnexpectedValue,  // "=" behind a switch that takes no value
  kRepeated,         // any switch given twice, even with the same value
  kNoLogFolder,      // the log's folder does not exist (RefuseLog)
  kLogNotPlainFile,  // the log is a link, lies in a linked folder or has a second name (RefuseLog)
};

// Room for the start of an argument named in the usage message.
constexpr size_t kShownArgumentCapacity = 64;

struct CCommandLine {
  bool silent = false;        // /S
  bool allUsers = false;      // /ALLUSERS
  bool noLaunch = false;      // /NOLAUNCH
  bool removeConfig = false;  // /REMOVECONFIG
  bool usageAsked = false;    // /?
  CPath logPath;              // /LOG=path; empty without
  SwitchError error = SwitchError::kNone;
  // The first argument in error, cut to fit.
  wchar_t badArgument[kShownArgumentCapacity] = {};
};

// What follows the program's name on the command line the program was started with, found as
// the C runtime finds it for wWinMain: the name ends at the first blank outside quotes, and the
// blanks after it are skipped.
const wchar_t* SkipProgramName(const wchar_t* commandLine);

// Reads every argument into out. False when one is in error: the first of them is named, and the
// others are still read, so that a bad command line with /S is known to want no window.
bool ParseCommandLine(const wchar_t* commandLine, CCommandLine& out);

// Reads the argument at the start of text (blanks before it skipped) into out, cut to capacity
// characters with the NUL (capacity at least 1); cut tells whether it was. Returns where the next
// one starts, or null when no argument is left.
const wchar_t* ReadArgument(const wchar_t* text, wchar_t* out, size_t capacity, bool& cut);

// Makes the log path the command line's error, for the reason given (one of the log's).
void RefuseLog(CCommandLine& commandLine, SwitchError reason);

// The text of the usage box: what was wrong (when something was), the switches and the exit
// codes. Cut to capacity characters with the NUL (capacity at least 1).
void ComposeUsageText(const CCommandLine& commandLine, wchar_t* out, size_t capacity);

}  // namespace kst
