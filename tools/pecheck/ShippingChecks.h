// The static checks of the shipping installer: what Windows and the user get from the file before
// any of its code runs. LIEF reads the executable and pugixml its manifest; each check that fails
// gives one message.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "tools/packer/Packer.h"
#include <LIEF/PE.hpp>

namespace kst::pecheck {

// The image in `file` as LIEF reads it. LIEF 0.9 looks whether a resource leaf can be read at
// the position its reader was left at, after the relocation table, instead of at the leaf, and
// drops every resource when the relocations end within a leaf's size of the end of the file; so
// LIEF is handed a copy with a few zero bytes after the image. Throws as LIEF does.
std::unique_ptr<LIEF::PE::Binary> ReadImage(const Bytes& file, const std::string& name);

// The messages of the failed checks; none when the file passes. A file that is no PE image or is
// damaged gives a message saying so. The second form checks an image LIEF has read from `file` and
// lets LIEF's exceptions about a damaged one through.
std::vector<std::string> CheckShippingImage(const Bytes& file);
std::vector<std::string> CheckShippingImage(const LIEF::PE::Binary& image, const Bytes& file);

}  // namespace kst::pecheck
