// Reader of dialog template resources (DLGTEMPLATEEX with DLGITEMTEMPLATEEX items, and the plain
// DLGTEMPLATE form) over plain bytes. No Windows header: the bytes come from an untrusted place
// as far as this reader is concerned, so it can be fuzzed on any host.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace widgets {

struct DialogTemplateItem {
  uint32_t id = 0;
  uint32_t style = 0;
  uint32_t exStyle = 0;
  int16_t x = 0, y = 0, cx = 0, cy = 0;
};

struct DialogTemplate {
  bool extended = false;
  uint32_t style = 0;
  uint32_t exStyle = 0;
  int16_t x = 0, y = 0, cx = 0, cy = 0;
  bool hasMenu = false;
  // Font of the header: from the template when it carries DS_SETFONT, else 8 pt, weight 400.
  bool hasFont = false;
  uint16_t pointSize = 8;
  uint16_t weight = 400;
  bool italic = false;
  uint8_t charset = 1;
  std::u16string faceName;
  std::vector<DialogTemplateItem> items;
};

constexpr uint32_t kDialogStyleSetFont = 0x40;  // DS_SETFONT

// Parses a template. Returns false, leaving `result` unspecified, when the bytes are truncated
// or malformed; never reads outside [data, data + size).
bool ParseDialogTemplate(const uint8_t* data, size_t size, DialogTemplate& result);

// The point size used for the font: a value above 0x7FFF (negative as a signed word) is replaced
// by its negation taken to 16 bits.
uint16_t NormalisedPointSize(uint16_t pointSize);

}  // namespace widgets
