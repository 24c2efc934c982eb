#include "manager/widgets/dialog_template.h"

namespace widgets {
namespace {

// Bounds-checked little-endian reader over the template bytes.
class Reader {
 public:
  Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  bool Word(uint16_t& value) {
    if (size_ - pos_ < 2) return false;
    value = static_cast<uint16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
    pos_ += 2;
    return true;
  }
  bool Short(int16_t& value) {
    uint16_t raw = 0;
    if (!Word(raw)) return false;
    value = static_cast<int16_t>(raw);
    return true;
  }
  bool Dword(uint32_t& value) {
    uint16_t low = 0, high = 0;
    if (!Word(low) || !Word(high)) return false;
    value = static_cast<uint32_t>(low) | (static_cast<uint32_t>(high) << 16);
    return true;
  }
  bool Byte(uint8_t& value) {
    if (pos_ >= size_) return false;
    value = data_[pos_++];
    return true;
  }
  bool Skip(size_t count) {
    if (size_ - pos_ < count) return false;
    pos_ += count;
    return true;
  }
  bool String(std::u16string* text) {
    for (;;) {
      uint16_t c = 0;
      if (!Word(c)) return false;
      if (c == 0) return true;
      if (text) text->push_back(static_cast<char16_t>(c));
    }
  }
  // A name or ordinal field: 0 = none, 0xFFFF + ordinal, or a NUL-terminated string.
  bool NameOrOrdinal(bool& present) {
    uint16_t first = 0;
    if (!Word(first)) return false;
    present = first != 0;
    if (first == 0) return true;
    if (first == 0xFFFF) {
      uint16_t ordinal = 0;
      return Word(ordinal);
    }
    return String(nullptr);
  }
  bool AlignDword() {
    const size_t aligned = (pos_ + 3) & ~static_cast<size_t>(3);
    if (aligned > size_) return false;
    pos_ = aligned;
    return true;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

bool ReadRectangle(Reader& in, int16_t& x, int16_t& y, int16_t& cx, int16_t& cy) {
  return in.Short(x) && in.Short(y) && in.Short(cx) && in.Short(cy);
}

bool ReadItem(Reader& in, bool extended, DialogTemplateItem& item) {
  if (!in.AlignDword()) return false;
  if (extended) {
    uint32_t helpId = 0;
    if (!in.Dword(helpId) || !in.Dword(item.exStyle) || !in.Dword(item.style)) return false;
    if (!ReadRectangle(in, item.x, item.y, item.cx, item.cy)) return false;
    if (!in.Dword(item.id)) return false;
  } else {
    uint16_t id = 0;
    if (!in.Dword(item.style) || !in.Dword(item.exStyle)) return false;
    if (!ReadRectangle(in, item.x, item.y, item.cx, item.cy)) return false;
    if (!in.Word(id)) return false;
    item.id = id;
  }
  bool present = false;
  uint16_t extraBytes = 0;
  return in.NameOrOrdinal(present) && in.NameOrOrdinal(present) && in.Word(extraBytes) && in.Skip(extraBytes);
}

}  // namespace

uint16_t NormalisedPointSize(uint16_t pointSize) {
  if (pointSize > 0x7FFF) return static_cast<uint16_t>(0x10000u - pointSize);
  return pointSize;
}

bool ParseDialogTemplate(const uint8_t* data, size_t size, DialogTemplate& result) {
  result = DialogTemplate{};
  if (!data) return false;
  Reader in(data, size);
  uint16_t version = 0, signature = 0;
  if (!in.Word(version) || !in.Word(signature)) return false;
  uint16_t count = 0;
  if (version == 1 && signature == 0xFFFF) {
    result.extended = true;
    uint32_t helpId = 0;
    if (!in.Dword(helpId) || !in.Dword(result.exStyle) || !in.Dword(result.style)) return false;
  } else {
    // Plain form: the first two words were the style.
    result.style = static_cast<uint32_t>(version) | (static_cast<uint32_t>(signature) << 16);
    if (!in.Dword(result.exStyle)) return false;
  }
  if (!in.Word(count) || !ReadRectangle(in, result.x, result.y, result.cx, result.cy)) return false;

  bool present = false;
  if (!in.NameOrOrdinal(result.hasMenu)) return false;
  if (!in.NameOrOrdinal(present) || !in.String(nullptr)) return false;  // class, title

  result.hasFont = (result.style & kDialogStyleSetFont) != 0;
  if (result.hasFont) {
    if (!in.Word(result.pointSize)) return false;
    if (result.extended) {
      uint8_t italic = 0;
      if (!in.Word(result.weight) || !in.Byte(italic) || !in.Byte(result.charset)) return false;
      result.italic = italic != 0;
    } else {
      result.weight = 0;
      result.italic = false;
    }
    if (!in.String(&result.faceName)) return false;
  }

  result.items.reserve(count);
  for (uint16_t i = 0; i < count; ++i) {
    DialogTemplateItem item;
    if (!ReadItem(in, result.extended, item)) return false;
    result.items.push_back(item);
  }
  return true;
}

}  // namespace widgets
