// The simulator's parsers of untrusted input: RSA key DER, the state file and vtoken's
// numbers. Malformed input is refused, never read past its end.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "simulator/state/token_state.h"
#include "simulator/tool/command_line.h"
#include "simulator/tool/rsa_key_der.h"

namespace {

vtoken::Bytes FixtureBytes(const char* name) {
  std::ifstream in(std::string("fixtures/pki/") + name, std::ios::binary);
  return vtoken::Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(RsaKeyDer, ReadsPkcs8AndRefusesEveryTruncation) {
  const vtoken::Bytes key = FixtureBytes("user-sign.key.p8.der");
  ASSERT_FALSE(key.empty());
  std::string error;
  auto parsed = vtoken::ParseRsaPrivateKey(key, error);
  ASSERT_TRUE(parsed) << error;
  EXPECT_EQ(parsed->publicParts.modulus.size(), 256u);
  EXPECT_EQ(parsed->publicParts.publicExponent, (vtoken::Bytes{1, 0, 1}));
  EXPECT_EQ(parsed->prime1.size(), 128u);
  for (size_t length = 0; length < key.size(); ++length) {
    const vtoken::Bytes cut(key.begin(), key.begin() + static_cast<std::ptrdiff_t>(length));
    EXPECT_FALSE(vtoken::ParseRsaPrivateKey(cut, error)) << "accepted " << length << " bytes";
  }
}

TEST(RsaKeyDer, RefusesMalformedStructures) {
  struct Case {
    const char* name;
    vtoken::Bytes der;
  };
  const Case cases[] = {
      {"empty", {}},
      {"not a sequence", {0x02, 0x01, 0x00}},
      {"length beyond the data", {0x30, 0x84, 0x7F, 0xFF, 0xFF, 0xFF, 0x02, 0x01, 0x00}},
      {"length of five octets", {0x30, 0x85, 0x00, 0x00, 0x00, 0x00, 0x05}},
      {"version only", {0x30, 0x03, 0x02, 0x01, 0x00}},
      {"a PKCS#8 key of another algorithm",
       {0x30, 0x12, 0x02, 0x01, 0x00, 0x30, 0x0B, 0x06, 0x07, 0x2A, 0x86, 0x48, 0xCE, 0x3D, 0x02, 0x01, 0x05, 0x00,
        0x04, 0x00}},
      {"integers of length zero", {0x30, 0x06, 0x02, 0x01, 0x00, 0x02, 0x00, 0x02, 0x00}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string error;
    EXPECT_FALSE(vtoken::ParseRsaPrivateKey(c.der, error));
    EXPECT_FALSE(error.empty());
  }
}

TEST(StateFile, RoundTripsAndRefusesMalformedText) {
  vsim::State state;
  vsim::Slot& slot = state.SlotFor(2);
  slot.readerName = "Reader";
  slot.present = true;
  slot.token = vsim::Token{};
  slot.token->label = "Nhãn";
  vsim::TokenObject object;
  object.handle = state.NewHandle();
  object.attributes[CKA_CLASS] = vsim::UlongBytes(CKO_CERTIFICATE);
  object.attributes[CKA_VENDOR_CONTAINER_NAME] = {'c', 0, 0xFF};
  slot.token->objects.push_back(object);
  state.AddEvent(2, 3, object.handle);

  vsim::State back;
  std::string error;
  ASSERT_TRUE(vsim::ParseState(vsim::SerializeState(state), back, error)) << error;
  ASSERT_NE(back.FindToken(2), nullptr);
  EXPECT_EQ(back.FindToken(2)->label, "Nhãn");
  EXPECT_EQ(back.FindToken(2)->objects.at(0).attributes, object.attributes);
  EXPECT_EQ(back.events.size(), 1u);
  EXPECT_EQ(back.nextHandle, state.nextHandle);

  const char* malformed[] = {
      "", "{", "[]", "{\"nextHandle\": 1}",
      "{\"nextHandle\":1,\"nextSequence\":1,\"nextEpoch\":1,\"slots\":[{\"id\":\"one\"}],\"events\":[]}",
      "{\"nextHandle\":1,\"nextSequence\":1,\"nextEpoch\":1,\"slots\":[],\"events\":[[1,2]]}",
  };
  for (const char* text : malformed) {
    SCOPED_TRACE(text);
    vsim::State parsed;
    EXPECT_FALSE(vsim::ParseState(text, parsed, error));
  }
  // An attribute value that is not hex is refused, not read as garbage.
  std::string bad = vsim::SerializeState(state);
  const size_t at = bad.find("\"6300ff\"");  // the container bytes 'c', 0, 0xFF
  ASSERT_NE(at, std::string::npos);
  bad.replace(at + 1, 2, "zz");
  vsim::State parsed;
  EXPECT_FALSE(vsim::ParseState(bad, parsed, error));
}

TEST(CommandLine, NumbersAndHexAreCheckedCompletely) {
  struct Case {
    const wchar_t* text;
    std::optional<unsigned long> value;
  };
  const Case numbers[] = {{L"12", 12}, {L"0x1F", 31}, {L"4294967295", 4294967295ul}, {L"4294967296", std::nullopt},
                          {L"-1", std::nullopt}, {L"12a", std::nullopt}, {L"", std::nullopt},
                          {L"010", 10}, {L"0", 0}, {L" 5", std::nullopt}, {L"+5", std::nullopt},
                          {L"0x", std::nullopt}, {L"0x-1", std::nullopt}, {L"0x 1", std::nullopt}};
  for (const Case& c : numbers) EXPECT_EQ(vtoken::ParseUnsigned(c.text), c.value) << c.text;
  EXPECT_EQ(vtoken::ParseHex(L"0a:FF 10"), (std::vector<unsigned char>{0x0A, 0xFF, 0x10}));
  EXPECT_EQ(vtoken::ParseHex(L"abc"), std::nullopt);
  EXPECT_EQ(vtoken::ParseHex(L"zz"), std::nullopt);
  EXPECT_EQ(vtoken::ParseSigned(L"-400"), std::optional<long>(-400));
  EXPECT_EQ(vtoken::ParseSigned(L"-010"), std::optional<long>(-10));
  EXPECT_EQ(vtoken::ParseSigned(L" 5"), std::nullopt);
}

}  // namespace
