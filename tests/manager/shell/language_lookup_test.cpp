// The language lookup on file bytes: UTF-16 only, first occurrence, value up to CR LF.
#include <gtest/gtest.h>

#include <string>

#include "manager/shell/language_lookup.h"
#include "tests/manager/support/product_key.h"

namespace {

using manager::FindLanguageValue;
using manager_test::Utf16Bytes;

struct LookupCase {
  const char* name;
  std::string bytes;
  std::wstring key;
  std::wstring expected;
};

class LanguageLookup : public ::testing::TestWithParam<LookupCase> {};

TEST_P(LanguageLookup, FindsTheValue) {
  const LookupCase& c = GetParam();
  EXPECT_EQ(FindLanguageValue(c.bytes, c.key), c.expected);
}

const std::wstring kFile = L"[Manager]\r\n1=Token\r\n2=PIN\r\n90=Th\x00f4ng b\x00e1o\r\n226=Verify PIN\r\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, LanguageLookup,
    ::testing::Values(
        LookupCase{"ValueUpToCrLf", Utf16Bytes(kFile), L"2=", L"PIN"},
        LookupCase{"NonAsciiValue", Utf16Bytes(kFile), L"90=", L"Th\x00f4ng b\x00e1o"},
        LookupCase{"WithoutByteOrderMark", Utf16Bytes(kFile, false), L"226=", L"Verify PIN"},
        LookupCase{"MissingKey", Utf16Bytes(kFile), L"3=", L""},
        LookupCase{"LastValueWithoutLineEnd", Utf16Bytes(L"1=A\r\n2=last"), L"2=", L"last"},
        LookupCase{"LfOnlyRunsToTheEnd", Utf16Bytes(L"1=A\n2=B\n3=C\n"), L"1=", L"A\n2=B\n3=C\n"},
        LookupCase{"EscapeKeptAsTwoCharacters", Utf16Bytes(L"5=line\\nnext\r\n"), L"5=", L"line\\nnext"},
        LookupCase{"ValueNotTrimmed", Utf16Bytes(L"7=  padded \t\r\n"), L"7=", L"  padded \t"},
        LookupCase{"FirstOccurrenceWins", Utf16Bytes(L"11=eleven\r\n1=one\r\n"), L"1=", L"eleven"},
        LookupCase{"AscendingOrderKeepsOwnLine", Utf16Bytes(L"1=one\r\n11=eleven\r\n"), L"1=", L"one"},
        LookupCase{"CaseSensitive", Utf16Bytes(L"a=x\r\nA=y\r\n"), L"A=", L"y"},
        LookupCase{"Utf8FileHasNoTexts", std::string("1=Token\r\n2=PIN\r\n"), L"1=", L""},
        LookupCase{"NulEndsTheText", Utf16Bytes(std::wstring(L"1=A\r\n", 5) + std::wstring(1, L'\0') + L"2=B"),
                   L"2=", L""},
        LookupCase{"OddTrailingByteIgnored", Utf16Bytes(L"1=AB") + "C", L"1=", L"AB"},
        LookupCase{"EmptyFile", std::string(), L"1=", L""}),
    [](const ::testing::TestParamInfo<LookupCase>& info) { return std::string(info.param.name); });

}  // namespace
