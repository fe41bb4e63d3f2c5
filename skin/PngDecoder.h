// The skin's PNG pictures decoded with the program's own inflater, so that the first page does not
// wait for GDI+ and the codecs behind it to load. Platform-free, so that tests run it anywhere.
// Reads what the picture generator writes: bit depth 8, or 1 to 4 for grey and palette pictures,
// without interlacing; anything else is refused and left to GDI+.
#pragma once

#include <stddef.h>
#include <stdint.h>

namespace kst {

struct PngSize {
  uint32_t width = 0;
  uint32_t height = 0;
};

// The picture's size, when it is a PNG this decoder reads (each side 1 to 8192 pixels).
bool ReadPngSize(const uint8_t* png, size_t size, PngSize* pictureSize);

// The pixels as straight-alpha BGRA, rows top-down, into bgra, which holds width * height * 4
// bytes. False for a picture ReadPngSize refuses, a damaged one or want of memory; bgra may then
// hold part of the picture.
bool DecodePng(const uint8_t* png, size_t size, uint8_t* bgra);

}  // namespace kst
