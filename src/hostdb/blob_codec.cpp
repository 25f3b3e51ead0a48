#include "hostdb/blob_codec.h"

namespace oewr::hostdb {

bool BlobReader::readFloat(float& out) {
  if (remaining() < 4) return false;
  out = floatFromBits(loadLe32(b_.data() + pos_));
  pos_ += 4;
  return true;
}

bool BlobReader::readInt32(int32_t& out) {
  if (remaining() < 4) return false;
  out = static_cast<int32_t>(loadLe32(b_.data() + pos_));
  pos_ += 4;
  return true;
}

bool BlobReader::readInt16(int16_t& out) {
  if (remaining() < 2) return false;
  out = static_cast<int16_t>(static_cast<uint16_t>(b_[pos_] | (b_[pos_ + 1] << 8)));
  pos_ += 2;
  return true;
}

float BlobReader::nextFloat(float fallback) {
  float v = fallback;
  readFloat(v);
  return v;
}

void BlobWriter::writeFloat(float v) { writeInt32(static_cast<int32_t>(bitsOfFloat(v))); }

void BlobWriter::writeInt32(int32_t v) {
  std::size_t at = b_.size();
  b_.resize(at + 4);
  storeLe32(b_.data() + at, static_cast<uint32_t>(v));
}

void BlobWriter::writeInt16(int16_t v) {
  auto u = static_cast<uint16_t>(v);
  b_.push_back(static_cast<uint8_t>(u));
  b_.push_back(static_cast<uint8_t>(u >> 8));
}

Blob floatsToBlob(const std::vector<float>& values) {
  BlobWriter w;
  for (float v : values) w.writeFloat(v);
  return w.take();
}

std::vector<float> blobToFloats(const Blob& bytes) {
  std::vector<float> out;
  BlobReader r(bytes);
  float v;
  while (r.readFloat(v)) out.push_back(v);
  return out;
}

Blob int32sToBlob(const std::vector<int32_t>& values) {
  BlobWriter w;
  for (int32_t v : values) w.writeInt32(v);
  return w.take();
}

}  // namespace oewr::hostdb
