#pragma once
// Helpers shared by the fuzz targets: a Ui that records what the model would
// show, a reader of the leading control bytes of an input, and the stop that
// turns a broken promise of a decoder into a fuzzer finding.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "common/ui.h"
#include "hostdb/field_value.h"

namespace oewr::fuzz {

// Reports a broken promise and aborts, which libFuzzer records as a crash.
[[noreturn]] inline void fail(const std::string& what) {
  std::fprintf(stderr, "FUZZ FAILURE: %s\n", what.c_str());
  std::abort();
}

inline void require(bool ok, const std::string& what) {
  if (!ok) fail(what);
}

// Answers as a person who cancels everything would, and keeps every message.
class RecordingUi : public Ui {
 public:
  struct Message {
    std::string caption, text;
  };
  std::vector<Message> messages;

  void showMessage(const std::string& caption, const std::string& text) override { messages.push_back({caption, text}); }
  bool askYesNo(const std::string&, const std::string&) override { return false; }
  std::optional<std::string> pickOpenFile(const FileDialogOptions&) override { return std::nullopt; }
  std::optional<std::string> pickSaveFile(const FileDialogOptions&) override { return std::nullopt; }
  int showModal(ModalForm&) override { return mrCancel; }
  int showTableSave(hostdb::Ttable_save&) override { return mrCancel; }
  bool keepWaitingForLock(const std::string&, int) override { return false; }
};

// The leading bytes of an input as control values; the rest is the payload.
// Past the end every value reads as 0.
class ControlBytes {
 public:
  ControlBytes(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  int16_t int16() {
    const auto lo = static_cast<uint16_t>(byte());
    const auto hi = static_cast<uint16_t>(byte());
    return static_cast<int16_t>(static_cast<uint16_t>(lo | (hi << 8)));
  }
  int32_t int32() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(byte()) << (8 * i);
    return static_cast<int32_t>(v);
  }
  hostdb::Blob rest() const {
    return pos_ < size_ ? hostdb::Blob(data_ + pos_, data_ + size_) : hostdb::Blob{};
  }
  std::string restText() const {
    return pos_ < size_ ? std::string(reinterpret_cast<const char*>(data_ + pos_), size_ - pos_) : std::string{};
  }

 private:
  const uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

inline bool sameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace oewr::fuzz
