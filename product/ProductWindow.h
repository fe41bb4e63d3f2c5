// The window through which the installer sees that a product program runs and asks it to close.
#pragma once

namespace kst {

// Runs a top-level window of the class and title until it is closed by WM_CLOSE or by the close
// request; shown only when show is true. Returns the process exit code.
int RunProductWindow(const char* className, const char* title, bool show);

// Whether the command line is exactly the one argument "showmain".
bool HasShowMainArgument();

}  // namespace kst
