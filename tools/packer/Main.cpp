// kstpack [--zopfli] <input.exe> <payload-folder> <output.exe>
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "tools/packer/Packer.h"

int main(int argc, char** argv) {
  kst::Compressor compressor = kst::Compressor::kZlib;
  int first = 1;
  if (argc > 1 && strcmp(argv[1], "--zopfli") == 0) {
    compressor = kst::Compressor::kZopfli;
    first = 2;
  }
  if (argc - first != 3) {
    fprintf(stderr, "usage: kstpack [--zopfli] <input.exe> <payload-folder> <output.exe>\n");
    return 2;
  }
  std::vector<kst::PackedFile> packed;
  std::string error;
  if (!kst::PackFile(argv[first], argv[first + 1], argv[first + 2], compressor, &packed, &error)) {
    fprintf(stderr, "kstpack: %s\n", error.c_str());
    return 1;
  }
  size_t raw = 0;
  size_t compressed = 0;
  size_t capacity = 0;
  for (const kst::PackedFile& file : packed) {
    printf("%-24s %9zu -> %8zu bytes  slot %5.1f%% used\n", file.name.c_str(), file.rawSize,
           file.packedSize, 100.0 * file.slotUsed / file.slotCapacity);
    raw += file.rawSize;
    compressed += file.packedSize;
    capacity += file.slotCapacity;
  }
  printf("%-24s %9zu -> %8zu bytes  (%.1f%% of raw) in %zu bytes of slots\n", "total", raw,
         compressed, 100.0 * compressed / (raw ? raw : 1), capacity);
  return 0;
}
