#pragma once
// The bytes of a PNG file of a chart picture. The pictures are mostly white
// with thin lines: each row is stored as its difference to the row above and
// compressed for speed, which keeps a batch's charts from costing more than
// its model runs; the pixels are those drawn.
#include <cstddef>
#include <cstdint>
#include <string>

namespace oewr::render {

// A picture of width x height pixels, each a 32-bit 0xffRRGGBB value, the
// rows `stride` bytes apart, as an 8-bit RGB PNG file. Throws ModelError
// when the picture is empty, too large or cannot be compressed.
std::string encodePng(const std::uint8_t* pixels, int width, int height, std::ptrdiff_t stride);

}  // namespace oewr::render
