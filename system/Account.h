// The account the program runs as. A deployment tool starts it as the system account, which has
// no desktop user to install for or to start a program or a page for.
#pragma once

namespace kst {

// True when the program runs as the system account, and also when its token cannot be read: a
// check that failed must not let the program start anything with rights nobody gave it.
bool RunsAsLocalSystem();

}  // namespace kst
