// Ownership of Windows handles, shown in the type: each wrapper (CUniqueHandle over the handle's
// traits) owns exactly one handle, releases it on every path, and cannot be copied.
#pragma once

#include <windows.h>

#include <winsvc.h>

#include "base/UniqueHandle.h"

namespace kst {

template <typename T>
struct GdiObjectTraits {
  using Type = T;
  static Type Invalid() { return nullptr; }
  static void Close(Type handle) { ::DeleteObject(handle); }
};

struct MemoryDcTraits {
  using Type = HDC;
  static Type Invalid() { return nullptr; }
  static void Close(Type handle) { ::DeleteDC(handle); }
};

// Kernel objects whose failure value is NULL (mutexes, processes, threads).
struct KernelHandleTraits {
  using Type = HANDLE;
  static Type Invalid() { return nullptr; }
  static void Close(Type handle) { ::CloseHandle(handle); }
};

// Kernel objects whose failure value is INVALID_HANDLE_VALUE (CreateFileW).
struct FileHandleTraits {
  using Type = HANDLE;
  static Type Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Type handle) { ::CloseHandle(handle); }
};

struct FindHandleTraits {
  using Type = HANDLE;
  static Type Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Type handle) { ::FindClose(handle); }
};

struct RegKeyTraits {
  using Type = HKEY;
  static Type Invalid() { return nullptr; }
  static void Close(Type handle) { ::RegCloseKey(handle); }
};

struct ServiceHandleTraits {
  using Type = SC_HANDLE;
  static Type Invalid() { return nullptr; }
  static void Close(Type handle) { ::CloseServiceHandle(handle); }
};

struct GlobalMemoryTraits {
  using Type = HGLOBAL;
  static Type Invalid() { return nullptr; }
  static void Close(Type handle) { ::GlobalFree(handle); }
};

// Memory the security functions hand out with LocalAlloc.
struct LocalMemoryTraits {
  using Type = HLOCAL;
  static Type Invalid() { return nullptr; }
  static void Close(Type handle) { ::LocalFree(handle); }
};

struct ModuleTraits {
  using Type = HMODULE;
  static Type Invalid() { return nullptr; }
  static void Close(Type handle) { ::FreeLibrary(handle); }
};

using CBitmap = CUniqueHandle<GdiObjectTraits<HBITMAP>>;
using CFont = CUniqueHandle<GdiObjectTraits<HFONT>>;
using CBrush = CUniqueHandle<GdiObjectTraits<HBRUSH>>;
using CMemoryDC = CUniqueHandle<MemoryDcTraits>;
using CKernelHandle = CUniqueHandle<KernelHandleTraits>;
using CFileHandle = CUniqueHandle<FileHandleTraits>;
using CFindHandle = CUniqueHandle<FindHandleTraits>;
using CRegKey = CUniqueHandle<RegKeyTraits>;
using CServiceHandle = CUniqueHandle<ServiceHandleTraits>;
using CGlobalMemory = CUniqueHandle<GlobalMemoryTraits>;
using CLocalMemory = CUniqueHandle<LocalMemoryTraits>;
using CLibrary = CUniqueHandle<ModuleTraits>;

// A window's DC from GetDC, given back with ReleaseDC.
class CWindowDC {
 public:
  explicit CWindowDC(HWND window) : window_(window), dc_(::GetDC(window)) {}
  ~CWindowDC() {
    if (dc_) ::ReleaseDC(window_, dc_);
  }
  CWindowDC(const CWindowDC&) = delete;
  CWindowDC& operator=(const CWindowDC&) = delete;
  HDC Get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// The DC of BeginPaint, ended with EndPaint.
class CPaintDC {
 public:
  explicit CPaintDC(HWND window) : window_(window) { dc_ = ::BeginPaint(window, &paint_); }
  ~CPaintDC() { ::EndPaint(window_, &paint_); }
  CPaintDC(const CPaintDC&) = delete;
  CPaintDC& operator=(const CPaintDC&) = delete;
  HDC Get() const { return dc_; }

 private:
  HWND window_;
  PAINTSTRUCT paint_ = {};
  HDC dc_;
};

// Selects a GDI object into a DC for one scope and puts the previous one back.
class CSelectObject {
 public:
  CSelectObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(::SelectObject(dc, object)) {}
  ~CSelectObject() {
    if (previous_ && previous_ != HGDI_ERROR) ::SelectObject(dc_, previous_);
  }
  CSelectObject(const CSelectObject&) = delete;
  CSelectObject& operator=(const CSelectObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

}  // namespace kst
