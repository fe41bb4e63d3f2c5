// Allocation for the programs we ship. The C++ library's operator new throws on failure and
// so drags the whole exception runtime into an executable built without exceptions; these
// return NULL instead, and -fcheck-new makes every new-expression test for it.
#include <windows.h>

#include <stddef.h>

void* operator new(size_t size) { return ::HeapAlloc(::GetProcessHeap(), 0, size != 0 ? size : 1); }
void* operator new[](size_t size) { return operator new(size); }

void operator delete(void* block) noexcept {
  if (block == nullptr) return;
#ifdef KST_POISON_FREED_MEMORY
  // The twin built beside the tests: freed memory is filled and never handed out again, so that a
  // use after free crashes at once instead of passing on what the block still held.
  SIZE_T size = ::HeapSize(::GetProcessHeap(), 0, block);
  if (size != static_cast<SIZE_T>(-1)) ::FillMemory(block, size, 0xDD);
#else
  ::HeapFree(::GetProcessHeap(), 0, block);
#endif
}
void operator delete[](void* block) noexcept { operator delete(block); }
void operator delete(void* block, size_t) noexcept { operator delete(block); }
void operator delete[](void* block, size_t) noexcept { operator delete(block); }

// A call through an abstract class's table is a bug; the C++ library's handler would bring the
// exception runtime in with it.
extern "C" void __cxa_pure_virtual() { __builtin_trap(); }
