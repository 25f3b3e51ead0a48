#pragma once
// Little-endian IEEE float32 and int32/int16 values in host binary fields,
// read and written byte-exactly whatever the machine. Readers never read past
// the end of the bytes they are given.
#include <cstdint>
#include <cstring>
#include <vector>

#include "hostdb/field_value.h"

namespace oewr::hostdb {

inline uint32_t loadLe32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}
inline void storeLe32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
}
inline float floatFromBits(uint32_t bits) {
  float f;
  std::memcpy(&f, &bits, 4);
  return f;
}
inline uint32_t bitsOfFloat(float f) {
  uint32_t bits;
  std::memcpy(&bits, &f, 4);
  return bits;
}

// A sequential read stream over a binary field, as the model reads one.
class BlobReader {
 public:
  explicit BlobReader(const Blob& bytes) : b_(bytes) {}
  // The reader refers to the bytes: they must outlive it.
  explicit BlobReader(Blob&&) = delete;
  std::size_t size() const { return b_.size(); }
  std::size_t position() const { return pos_; }
  std::size_t remaining() const { return b_.size() - pos_; }
  // Reads one value; false (and nothing read) when fewer bytes remain.
  bool readFloat(float& out);
  bool readInt32(int32_t& out);
  bool readInt16(int16_t& out);
  // The float that a read stream yields: the next value, or `fallback` past the end.
  float nextFloat(float fallback = 0.0f);

 private:
  const Blob& b_;
  std::size_t pos_ = 0;
};

class BlobWriter {
 public:
  void writeFloat(float v);
  void writeInt32(int32_t v);
  void writeInt16(int16_t v);
  const Blob& bytes() const { return b_; }
  Blob take() { return std::move(b_); }

 private:
  Blob b_;
};

Blob floatsToBlob(const std::vector<float>& values);
// Whole floats of the blob (a trailing partial value is ignored).
std::vector<float> blobToFloats(const Blob& bytes);
Blob int32sToBlob(const std::vector<int32_t>& values);

}  // namespace oewr::hostdb
