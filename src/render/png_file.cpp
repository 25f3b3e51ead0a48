#include "render/png_file.h"

#include <cstring>
#include <memory>
#include <vector>

#include <zlib.h>

#include "common/errors.h"
#include "common/text_format.h"

namespace oewr::render {

namespace {

constexpr int kMaxSide = 1 << 15;

void appendBigEndian(std::string& out, std::uint32_t v) {
  const char bytes[4] = {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
                         static_cast<char>(v)};
  out.append(bytes, 4);
}

// A chunk: its length, type and data, and the CRC of type and data.
void appendChunk(std::string& out, const char (&type)[5], const std::string& data) {
  appendBigEndian(out, static_cast<std::uint32_t>(data.size()));
  const std::size_t start = out.size();
  out.append(type, 4);
  out += data;
  const uLong crc = ::crc32(::crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef*>(out.data() + start),
                            static_cast<uInt>(out.size() - start));
  appendBigEndian(out, static_cast<std::uint32_t>(crc));
}

}  // namespace

std::string encodePng(const std::uint8_t* pixels, int width, int height, std::ptrdiff_t stride) {
  if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide)
    throw ModelError(formatText("A picture of %d x %d pixels cannot be written as PNG", width, height));
  const std::size_t rowBytes = 3 * static_cast<std::size_t>(width);
  // Each row: its filter type (2, the difference to the row above; the
  // first row's above is 0) and the differences of its R, G and B bytes.
  const std::size_t rowsBytes = static_cast<std::size_t>(height) * (1 + rowBytes);
  const std::unique_ptr<std::uint8_t[]> rows(new std::uint8_t[rowsBytes]);
  std::vector<std::uint8_t> above(rowBytes, 0);
  std::vector<std::uint8_t> line(rowBytes);
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* source = pixels + static_cast<std::ptrdiff_t>(y) * stride;
    for (int x = 0; x < width; ++x) {
      std::uint32_t argb;
      std::memcpy(&argb, source + 4 * static_cast<std::size_t>(x), sizeof argb);
      line[3 * static_cast<std::size_t>(x)] = static_cast<std::uint8_t>(argb >> 16);
      line[3 * static_cast<std::size_t>(x) + 1] = static_cast<std::uint8_t>(argb >> 8);
      line[3 * static_cast<std::size_t>(x) + 2] = static_cast<std::uint8_t>(argb);
    }
    std::uint8_t* out = rows.get() + static_cast<std::size_t>(y) * (1 + rowBytes);
    out[0] = 2;
    for (std::size_t i = 0; i < rowBytes; ++i) out[1 + i] = static_cast<std::uint8_t>(line[i] - above[i]);
    above.swap(line);
  }

  z_stream z{};
  if (::deflateInit2(&z, Z_BEST_SPEED, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
    throw ModelError("The PNG picture could not be compressed (zlib)");
  const uLong bound = ::deflateBound(&z, static_cast<uLong>(rowsBytes));
  const std::unique_ptr<Bytef[]> compressed(new Bytef[bound]);
  z.next_in = rows.get();
  z.avail_in = static_cast<uInt>(rowsBytes);
  z.next_out = compressed.get();
  z.avail_out = static_cast<uInt>(bound);
  const int rc = ::deflate(&z, Z_FINISH);
  const std::size_t compressedBytes = z.total_out;
  ::deflateEnd(&z);
  if (rc != Z_STREAM_END) throw ModelError("The PNG picture could not be compressed (zlib)");

  std::string png = "\x89PNG\r\n\x1a\n";
  std::string header;
  appendBigEndian(header, static_cast<std::uint32_t>(width));
  appendBigEndian(header, static_cast<std::uint32_t>(height));
  header += std::string("\x08\x02\x00\x00\x00", 5);  // 8 bits, RGB, deflate, adaptive filters, not interlaced
  appendChunk(png, "IHDR", header);
  appendChunk(png, "IDAT", std::string(reinterpret_cast<const char*>(compressed.get()), compressedBytes));
  appendChunk(png, "IEND", "");
  return png;
}

}  // namespace oewr::render
