#include "platform/win32/text_conversion.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

struct TextCase {
  const char* name;
  std::string utf8;
  std::u16string utf16;
};

const TextCase kTexts[] = {
    {"ascii", "Video Renderer", u"Video Renderer"},
    {"two-byte", "Caf\xC3\xA9", u"Caf\u00E9"},
    {"three-byte", "\xE6\x98\xA0\xE5\x83\x8F", u"\u6620\u50CF"},
    {"surrogate pair", "cam \xF0\x9F\x8E\xA5!", u"cam \U0001F3A5!"},
    {"highest code point", "\xF4\x8F\xBF\xBF", u"\U0010FFFF"},
};

class TextRoundTrip : public ::testing::TestWithParam<TextCase> {};

TEST_P(TextRoundTrip, BothDirectionsWithTerminatorAndSizeQuery) {
  const TextCase& c = GetParam();
  for (UINT codePage : {CP_ACP, CP_UTF8}) {
    // -1: the terminator is converted and counted.
    const int wideNeeded = MultiByteToWideChar(codePage, 0, c.utf8.c_str(), -1, nullptr, 0);
    ASSERT_EQ(wideNeeded, static_cast<int>(c.utf16.size()) + 1);
    std::u16string wide(static_cast<std::size_t>(wideNeeded), u'#');
    ASSERT_EQ(MultiByteToWideChar(codePage, 0, c.utf8.c_str(), -1, wide.data(), wideNeeded),
              wideNeeded);
    EXPECT_EQ(wide, c.utf16 + u'\0');

    // Explicit length: no terminator.
    const int narrowNeeded =
        WideCharToMultiByte(codePage, 0, c.utf16.data(), static_cast<int>(c.utf16.size()), nullptr,
                            0, nullptr, nullptr);
    ASSERT_EQ(narrowNeeded, static_cast<int>(c.utf8.size()));
    std::string narrow(c.utf8.size() + 1, '#');
    ASSERT_EQ(WideCharToMultiByte(codePage, 0, c.utf16.data(), static_cast<int>(c.utf16.size()),
                                  narrow.data(), static_cast<int>(narrow.size()), nullptr, nullptr),
              narrowNeeded);
    EXPECT_EQ(narrow, c.utf8 + '#');
  }
}

INSTANTIATE_TEST_SUITE_P(Texts, TextRoundTrip, ::testing::ValuesIn(kTexts), [](const auto& info) {
  std::string name = info.param.name;
  for (char& ch : name)
    if (ch == ' ' || ch == '-') ch = '_';
  return name;
});

TEST(TextConversion, TooSmallBufferFailsAfterWholeCharacters) {
  char narrow[5] = {'#', '#', '#', '#', '#'};
  // "é" (2 bytes) fits after "ab"; the pair (4 bytes) does not.
  const std::u16string text = u"ab\u00E9\U0001F3A5";
  SetLastError(0);
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, narrow, 5, nullptr, nullptr), 0);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(std::string(narrow, 5), std::string("ab\xC3\xA9#", 5));

  WCHAR wide[3] = {u'#', u'#', u'#'};
  // The pair needs two units and only one is left.
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "a\xF0\x9F\x8E\xA5", -1, wide, 2), 0);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(wide[0], u'a');
  EXPECT_EQ(wide[1], u'#');
}

TEST(TextConversion, MalformedInputIsReplacedOrRefused) {
  struct Case {
    const char* name;
    std::string utf8;
    std::u16string replaced;
  };
  const Case cases[] = {
      {"stray continuation", "a\x80z", u"a\uFFFDz"},
      {"truncated three-byte", "a\xE6\x98z", u"a\uFFFDz"},
      {"overlong", "\xC0\xAF", u"\uFFFD\uFFFD"},
      {"encoded surrogate", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
      {"above U+10FFFF", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"truncated at end", "ok\xF0\x9F", u"ok\uFFFD"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const int length = static_cast<int>(c.utf8.size());
    WCHAR wide[16];
    const int written = MultiByteToWideChar(CP_UTF8, 0, c.utf8.data(), length, wide, 16);
    EXPECT_EQ(std::u16string(wide, static_cast<std::size_t>(written > 0 ? written : 0)),
              c.replaced);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, c.utf8.data(), length, wide, 16),
              0);
    EXPECT_EQ(GetLastError(), ERROR_NO_UNICODE_TRANSLATION);
  }

  // A high surrogate without its low half, then a low one without its high half.
  const WCHAR lone[] = {u'x', 0xD83C, u'y', 0xDFA5, 0};
  char narrow[16];
  int written = WideCharToMultiByte(CP_UTF8, 0, lone, -1, narrow, 16, nullptr, nullptr);
  EXPECT_EQ(std::string(narrow, static_cast<std::size_t>(written)),
            std::string("x\xEF\xBF\xBDy\xEF\xBF\xBD", 9));
  EXPECT_EQ(
      WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, lone, -1, narrow, 16, nullptr, nullptr),
      0);
  EXPECT_EQ(GetLastError(), ERROR_NO_UNICODE_TRANSLATION);

  BOOL usedDefault = FALSE;
  written = WideCharToMultiByte(CP_ACP, 0, lone, -1, narrow, 16, "?", &usedDefault);
  EXPECT_EQ(std::string(narrow, static_cast<std::size_t>(written)), std::string("x?y?", 5));
  EXPECT_TRUE(usedDefault);
}

TEST(TextConversion, InvalidArgumentsFail) {
  WCHAR wide[4];
  char narrow[4];
  BOOL used;
  struct Case {
    const char* name;
    std::function<int()> call;
    DWORD error;
  };
  const Case cases[] = {
      {"null source", [&] { return MultiByteToWideChar(CP_ACP, 0, nullptr, -1, wide, 4); },
       ERROR_INVALID_PARAMETER},
      {"zero length", [&] { return MultiByteToWideChar(CP_ACP, 0, "a", 0, wide, 4); },
       ERROR_INVALID_PARAMETER},
      {"length below -1", [&] { return MultiByteToWideChar(CP_ACP, 0, "a", -2, wide, 4); },
       ERROR_INVALID_PARAMETER},
      {"null destination with size",
       [&] { return MultiByteToWideChar(CP_ACP, 0, "a", -1, nullptr, 4); },
       ERROR_INVALID_PARAMETER},
      {"unknown code page", [&] { return MultiByteToWideChar(1252, 0, "a", -1, wide, 4); },
       ERROR_INVALID_PARAMETER},
      {"flag not for UTF-8",
       [&] { return MultiByteToWideChar(CP_UTF8, MB_PRECOMPOSED, "a", -1, wide, 4); },
       ERROR_INVALID_FLAGS},
      {"default char with UTF-8",
       [&] { return WideCharToMultiByte(CP_UTF8, 0, u"a", -1, narrow, 4, "?", nullptr); },
       ERROR_INVALID_PARAMETER},
      {"used flag with UTF-8",
       [&] { return WideCharToMultiByte(CP_UTF8, 0, u"a", -1, narrow, 4, nullptr, &used); },
       ERROR_INVALID_PARAMETER},
      {"negative size",
       [&] { return WideCharToMultiByte(CP_ACP, 0, u"a", -1, narrow, -1, nullptr, nullptr); },
       ERROR_INVALID_PARAMETER},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetLastError(0);
    EXPECT_EQ(c.call(), 0);
    EXPECT_EQ(GetLastError(), c.error);
  }
}

}  // namespace
