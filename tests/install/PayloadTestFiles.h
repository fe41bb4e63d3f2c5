// Files and folders of the payload tests: fresh folders under the prefix's temporary folder,
// whole-file reads and writes, records made the way the packing tool makes them, and the build's
// payload folder as Wine sees it.
#pragma once

#include <windows.h>

#include <shellapi.h>
#include <stdint.h>
#include <zlib.h>

#include <optional>
#include <string>
#include <vector>

#include "base/Handles.h"
#include "install/PayloadFormat.h"
#include "tests/support/TestFiles.h"
#include <gtest/gtest.h>

namespace kst::test {

using Bytes = std::vector<uint8_t>;

inline bool Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// An empty folder of this name under the temporary folder, with the process id behind the name:
// the same program may run twice at once (the signed copy, the disk-full run).
inline std::wstring FreshFolder(const std::wstring& name) {
  wchar_t temp[MAX_PATH];
  DWORD length = GetTempPathW(MAX_PATH, temp);
  std::wstring folder =
      std::wstring(temp, length) + name + L"-" + std::to_wstring(GetCurrentProcessId());
  RemoveTree(folder);
  EXPECT_TRUE(CreateDirectoryW(folder.c_str(), nullptr)) << GetLastError();
  return folder;
}

inline std::optional<Bytes> ReadBytes(const std::wstring& path) {
  CFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) return std::nullopt;
  Bytes data(GetFileSize(file.Get(), nullptr));
  DWORD read = 0;
  if (!data.empty() &&
      (!ReadFile(file.Get(), data.data(), static_cast<DWORD>(data.size()), &read, nullptr) ||
       read != data.size())) {
    return std::nullopt;
  }
  return data;
}

inline void WriteBytes(const std::wstring& path, const Bytes& data) {
  CFileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  ASSERT_TRUE(file) << GetLastError();
  DWORD written = 0;
  ASSERT_TRUE(
      WriteFile(file.Get(), data.data(), static_cast<DWORD>(data.size()), &written, nullptr));
  ASSERT_EQ(data.size(), written);
}

inline Bytes TextBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

// Bytes that do not compress.
inline Bytes Noise(size_t size, uint32_t seed) {
  Bytes data(size);
  for (uint8_t& byte : data) {
    seed = seed * 1664525 + 1013904223;
    byte = static_cast<uint8_t>(seed >> 24);
  }
  return data;
}

// A slot as the packing tool fills it: a marker of a name no real slot has, the record of the
// content at the best level, and `spare` zero bytes behind the stream.
inline Bytes MakeSlot(const Bytes& content, size_t spare = 64) {
  uLongf length = compressBound(static_cast<uLong>(content.size()));
  Bytes stream(length);
  EXPECT_EQ(Z_OK, compress2(stream.data(), &length, content.data(),
                            static_cast<uLong>(content.size()), Z_BEST_COMPRESSION));
  stream.resize(length);
  const std::string marker = "@@@@[sample]@@@";
  Bytes slot(marker.size() + kPayloadMarkerGap + kPayloadRecordHeaderSize + stream.size() + spare);
  std::copy(marker.begin(), marker.end(), slot.begin());
  EXPECT_TRUE(
      WritePayloadRecord(slot.data(), slot.size(), content.size(), stream.data(), stream.size()));
  return slot;
}

// The sizes of a slot's record, overwritten as a damaged or hand-made record would have them.
inline void SetRecordSizes(Bytes* slot, std::optional<uint32_t> inflatedSize,
                           std::optional<uint32_t> packedSize) {
  size_t record =
      static_cast<size_t>(LocatePayloadRecord(slot->data(), slot->size()) - slot->data());
  auto put = [&](size_t offset, uint32_t value) {
    for (int i = 0; i < 4; ++i) (*slot)[offset + i] = static_cast<uint8_t>(value >> (8 * i));
  };
  if (inflatedSize) put(record, *inflatedSize);
  if (packedSize) put(record + 4, *packedSize);
}

#ifdef KST_TEST_PAYLOAD_DIR
// The build's payload folder, a Linux path handed over at compile time, through Wine's Z: drive.
inline std::wstring PayloadFolder() {
  std::string unix = KST_TEST_PAYLOAD_DIR;
  std::wstring windows = L"Z:";
  for (char c : unix) windows += c == '/' ? L'\\' : static_cast<wchar_t>(c);
  return windows;
}
#endif

}  // namespace kst::test
