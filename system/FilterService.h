// The product's filter service "Lanwarden": registered at install, unregistered at removal.
// Neither side starts, stops or reconfigures it, and neither reports anything.
#pragma once

#include <stddef.h>

#include "base/Path.h"

namespace kst {

// Room for a program path of kMaxPath characters and the quotes around it.
constexpr size_t kServiceCommandCapacity = kMaxPath + 2;

// The command line the service manager runs for programPath: quoted when it holds a space, so
// that no shorter path of it can be taken for the program; otherwise unchanged. False when it
// does not fit into capacity characters with the NUL.
bool ServiceCommandLine(const wchar_t* programPath, wchar_t* out, size_t capacity);

// Registers the service to start with Windows; an existing registration stays as it is.
void RegisterFilterService(const wchar_t* programPath);
// Deletes the registration only while the service is stopped.
void RemoveFilterService();

}  // namespace kst
