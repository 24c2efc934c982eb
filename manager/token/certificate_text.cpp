#include "manager/token/certificate_text.h"

#include <cctype>

namespace manager {
namespace {

const char kPemBegin[] = "-----BEGIN CERTIFICATE-----";
const char kPemEnd[] = "-----END CERTIFICATE-----";

std::wstring CutAtFirstOf(const std::wstring& text, const wchar_t* marker, const wchar_t* spacedMarker) {
  size_t at = text.find(marker);
  if (at == std::wstring::npos) at = text.find(spacedMarker);
  return at == std::wstring::npos ? text : text.substr(0, at);
}

int Base64Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

void RemoveAll(std::string& text, const std::string& piece) {
  for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at)) text.erase(at, piece.size());
}

}  // namespace

std::wstring CutAtDisplayMarkers(const std::wstring& commonName) {
  return CutAtFirstOf(CutAtFirstOf(commonName, L"-MST:", L"- MST:"), L"-CMT:", L"- CMT:");
}

bool HasCerExtension(const std::string& fileName) {
  if (fileName.empty() || fileName.find('.') == std::string::npos || fileName.size() < 4) return false;
  const std::string tail = fileName.substr(fileName.size() - 4);
  const char expected[] = ".cer";
  for (size_t i = 0; i < 4; ++i) {
    if (std::tolower(static_cast<unsigned char>(tail[i])) != expected[i]) return false;
  }
  return true;
}

std::vector<uint8_t> Base64Decode(const std::string& text) {
  std::vector<uint8_t> bytes;
  bytes.reserve(text.size() / 4 * 3 + 3);
  uint32_t group = 0;
  int held = 0;
  for (char c : text) {
    const int value = Base64Value(c);
    if (value < 0) break;  // "=" and every other character end the data
    group = (group << 6) | static_cast<uint32_t>(value);
    if (++held == 4) {
      bytes.push_back(static_cast<uint8_t>(group >> 16));
      bytes.push_back(static_cast<uint8_t>(group >> 8));
      bytes.push_back(static_cast<uint8_t>(group));
      group = 0;
      held = 0;
    }
  }
  // A final group of n characters carries n - 1 whole bytes.
  if (held == 2) {
    bytes.push_back(static_cast<uint8_t>(group >> 4));
  } else if (held == 3) {
    bytes.push_back(static_cast<uint8_t>(group >> 10));
    bytes.push_back(static_cast<uint8_t>(group >> 2));
  }
  return bytes;
}

std::vector<uint8_t> CertificateBytesFromFile(const std::vector<uint8_t>& content) {
  std::string text;
  for (uint8_t byte : content) {
    if (byte == 0) break;
    text.push_back(static_cast<char>(byte));
  }
  const size_t end = text.find(kPemEnd);
  if (end == std::string::npos || end == 0) return content;
  RemoveAll(text, kPemBegin);
  RemoveAll(text, kPemEnd);
  RemoveAll(text, "\n");
  RemoveAll(text, "\r");
  return Base64Decode(text);
}

}  // namespace manager
