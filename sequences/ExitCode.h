// The exit codes of a run with /S, in one place: the usage text, the README and the package
// manifest list them (a test holds them to this list). A run with the window ends with 0 whatever
// happened, as it always has. 1 is left out: it is what a crash or a process ended from outside
// leaves, and must not be mistaken for one of these. 1618 and 3010 are Windows Installer's, which
// deployment tools know: they retry on the first and plan a restart on the second.
#pragma once

namespace kst {

enum class ExitCode : int {
  kDone = 0,
  // An unknown switch, a switch with a missing, overlong or unexpected value, a repeated switch,
  // a log in a folder that does not exist. Also without /S, after the usage box.
  kBadCommandLine = 2,
  // Another installer or uninstaller runs (with /S only; without it the program ends with 0).
  kAnotherInstance = 1618,
  // Refusals: nothing was changed.
  kProductRunning = 10,
  kUpdaterRunning = 11,
  kPasswordLock = 12,
  kNotInstalled = 13,
  // The install's consent box was cleared; only the window has that box, and /S is the consent.
  kNoConsent = 14,
  // A product file could not be checked, extracted or written (the install stops there), or the
  // default settings file could not be written (the install goes on).
  kFileFailed = 20,
  // The install's base folder or program folder could not be had.
  kFolderFailed = 21,
  // The removal could not reset the proxy settings and stopped there.
  kProxyResetFailed = 22,
  // The install completed, but the product will not start at logon.
  kAutostartFailed = 23,
  // The removal completed, but the filter service did not stop within its time, so that its
  // program may stay until it stops, or its registration could not be deleted.
  kServiceNotRemoved = 24,
  // The removal completed, but files in use stay until the next restart deletes them.
  kRestartNeeded = 3010,
};

}  // namespace kst
