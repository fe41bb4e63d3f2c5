// The product's filter service "Lanwarden": registered at install; at removal stopped before its
// program goes, then unregistered. The install neither starts nor reconfigures it.
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

// Registers the service to start with Windows; an existing registration stays as it is. True
// when the service is registered afterwards.
bool RegisterFilterService(const wchar_t* programPath);
// Asks the service to stop and waits for it, up to 15 s: its program cannot be deleted while it
// runs. True when it is stopped or not registered.
bool StopFilterService();
// Deletes the registration whatever the service's state: the system removes a running service as
// soon as it stops, so that it can never start again from a folder someone else may make anew.
// True when it is gone, marked for deletion, or was not registered.
bool RemoveFilterService();

}  // namespace kst
