// Searching, replacing, splitting, trimming and case folding along the double-byte walk: tables of
// cases, then every short text over a small alphabet against a literal step-by-step walk.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "runtime/text.h"

namespace {

// Bytes outside printable ASCII as \xHH, so that a failing case can be read.
std::string shown(std::string_view t) {
  std::string out = "'";
  for (const char c : t) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F) {
      out += c;
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
      out += escaped;
    }
  }
  return out + "'";
}

std::string shown(const std::optional<int>& n) { return n ? std::to_string(*n) : "absent"; }

std::vector<Text> elements(const TextArray& list) { return {list.begin(), list.end()}; }

// "啊" is the GBK pair B0 A1; "丂" is 81 40, whose second byte is '@'.
const Text AH = "\xB0\xA1";
const Text KAO = "\x81\x40";
const Text FULL_WIDTH_SPACE = "\xA1\xA1";

struct FindCase {
  Text t;
  Text needle;
  std::optional<int> start;
  bool ignore_case;
  int expected;
};

TEST(FindText, Cases) {
  const FindCase cases[] = {
      {"abcabc", "bc", std::nullopt, false, 2},
      {"abcabc", "bc", 3, false, 5},
      {"abcabc", "bc", 6, false, -1},
      {"abcabc", "bc", 7, false, -1},
      {"abcabc", "bc", 0, false, 2},
      {"abcabc", "bc", -5, false, 2},
      {"abc", "", std::nullopt, false, 1},
      {"abc", "", 3, false, 1},
      {"abc", "", 4, false, -1},
      {"", "", std::nullopt, false, -1},
      {"ab", "abc", std::nullopt, false, -1},
      {"Content-Type: x", "content-type:", std::nullopt, true, 1},
      {"Content-Type: x", "content-type:", std::nullopt, false, -1},
      {"x中文", "文", std::nullopt, false, 4},
      // A needle across the boundary of two characters is not there.
      {AH + AH, "\xA1\xB0", std::nullopt, false, -1},
      // A second byte that equals an ASCII byte is not that ASCII character.
      {KAO + "@", "@", std::nullopt, false, 3},
      {KAO + KAO + KAO, "@", std::nullopt, false, -1},
      {"a" + AH + "b", "\xB0", std::nullopt, false, 2},
      // The walk counts its steps from the start, even inside a character.
      {AH + FULL_WIDTH_SPACE, FULL_WIDTH_SPACE, 2, false, 2},
      {AH + FULL_WIDTH_SPACE, FULL_WIDTH_SPACE, std::nullopt, false, 3},
      // Folding touches the ASCII letters only.
      {"\xC1", "\xE1", std::nullopt, true, -1},
      {"[x]", "{X}", std::nullopt, true, -1},
      {"@", "`", std::nullopt, true, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(shown(c.t) + " " + shown(c.needle) + " start " + shown(c.start) +
                 (c.ignore_case ? " ignoring case" : ""));
    EXPECT_EQ(find_text(c.t, c.needle, c.start, c.ignore_case), c.expected);
  }
}

TEST(FindText, LongRunsOfDoubleByteCharactersKeepTheirBoundaries) {
  // Every '@' but the last is the second byte of "丂": the walk must reject them all.
  Text t;
  for (int i = 0; i < 10000; ++i) t += KAO;
  EXPECT_EQ(find_text(t + "@", "@"), static_cast<int>(t.size()) + 1);
  EXPECT_EQ(find_text("x" + t, "@" + KAO), -1);
  EXPECT_EQ(find_text("x" + t + "@@", "@@"), static_cast<int>(t.size()) + 2);
}

TEST(FindTextReverse, Cases) {
  const FindCase cases[] = {
      {"abcabc", "bc", std::nullopt, false, 5},
      {"abcabc", "bc", 7, false, 5},
      {"abcabc", "bc", 99, false, 5},
      {"abcabc", "bc", 6, false, 2},
      {"abcabc", "bc", 1, false, -1},
      {"abcabc", "bc", -3, false, -1},
      {"abc", "", 2, false, 1},
      {"abc", "", 1, false, -1},
      {"aaaa", "aa", std::nullopt, false, 3},  // overlapping occurrences all count
      {"ABab", "ab", std::nullopt, true, 3},
      {"ABxx", "ab", std::nullopt, true, 1},
      {KAO + "@", "@", std::nullopt, false, 3},
      {KAO, "@", std::nullopt, false, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(shown(c.t) + " " + shown(c.needle) + " start " + shown(c.start) +
                 (c.ignore_case ? " ignoring case" : ""));
    EXPECT_EQ(find_text_reverse(c.t, c.needle, c.start, c.ignore_case), c.expected);
  }
}

TEST(ReplaceText, Cases) {
  struct Case {
    Text t, find, replacement;
    std::optional<int> start, count;
    bool case_sensitive;
    Text expected;
  };
  const Case cases[] = {
      {"aXbXc", "X", "--", std::nullopt, std::nullopt, true, "a--b--c"},
      {"aXbXc", "X", "--", 3, std::nullopt, true, "aXb--c"},
      {"aXbXc", "X", "--", std::nullopt, 1, true, "a--bXc"},
      {"aXbXc", "X", "--", std::nullopt, -1, true, "a--b--c"},
      {"aXbXc", "X", "--", std::nullopt, 0, true, "aXbXc"},
      {"aXbXc", "X", "--", 6, std::nullopt, true, "aXbXc"},
      {"aaaa", "aa", "a", std::nullopt, std::nullopt, true, "aa"},
      {"aaa", "a", "aa", std::nullopt, std::nullopt, true, "aaaaaa"},
      {"Cookie: a=1", "cookie:", "", std::nullopt, std::nullopt, false, " a=1"},
      {"Cookie: a=1", "cookie:", "", std::nullopt, std::nullopt, true, "Cookie: a=1"},
      {"abc", "", "x", std::nullopt, std::nullopt, true, "abc"},
      {"", "a", "x", std::nullopt, std::nullopt, true, ""},
      {AH + AH, "\xA1\xB0", "x", std::nullopt, std::nullopt, true, AH + AH},
      {KAO + "@" + KAO, "@", "at", std::nullopt, std::nullopt, true, KAO + "at" + KAO},
      {"x=\"#引号\"", "#引号", "\"", std::nullopt, std::nullopt, true, "x=\"\"\""},
      // A lone lead byte at the end is kept.
      {"a\xB0", "a", "b", std::nullopt, std::nullopt, true, "b\xB0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(shown(c.t) + " " + shown(c.find) + " -> " + shown(c.replacement) + " start " +
                 shown(c.start) + " count " + shown(c.count) +
                 (c.case_sensitive ? "" : " ignoring case"));
    EXPECT_EQ(shown(replace_text(c.t, c.find, c.replacement, c.start, c.count, c.case_sensitive)),
              shown(c.expected));
  }
}

TEST(SplitText, Cases) {
  struct Case {
    Text t, delimiter;
    std::optional<int> max_count;
    std::vector<Text> expected;
  };
  const Case cases[] = {
      {"a\r\nb\r\n", "\r\n", std::nullopt, {"a", "b"}},
      {"\r\na", "\r\n", std::nullopt, {"", "a"}},
      {"", "\r\n", std::nullopt, {}},
      {"abc", "", std::nullopt, {"abc"}},
      {"a,b,c", ",", std::nullopt, {"a", "b", "c"}},
      {"a,b,c", ",", 2, {"a", "b"}},
      {"a,b,c", ",", 3, {"a", "b", "c"}},
      {"a,b,c", ",", 0, {}},
      {"a,b,c", ",", -1, {}},
      {",a,,b,", ",", std::nullopt, {"", "a", "", "b"}},
      {",", ",", std::nullopt, {""}},
      {KAO + "@" + KAO, "@", std::nullopt, {KAO, KAO}},
      {"中,文", ",", std::nullopt, {"中", "文"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(shown(c.t) + " on " + shown(c.delimiter) + " max " + shown(c.max_count));
    EXPECT_EQ(elements(split_text(c.t, c.delimiter, c.max_count)), c.expected);
  }
  EXPECT_EQ(elements(split_text("a,b,c")), (std::vector<Text>{"a", "b", "c"}));
}

TEST(TrimBoth, Cases) {
  const std::pair<Text, Text> cases[] = {
      {" \t a \r\n ", "\t a \r\n"},
      {"  " + FULL_WIDTH_SPACE + " " + FULL_WIDTH_SPACE, ""},
      {FULL_WIDTH_SPACE + "a b" + FULL_WIDTH_SPACE + " ", "a b"},
      {"", ""},
      {"a", "a"},
      // "\xB0\xA1" ends in 0xA1 and "\xA1 " is one character: neither is a blank.
      {AH + " ", AH},
      {AH + "\xA1 ", AH + "\xA1 "},
      {" " + AH + FULL_WIDTH_SPACE, AH},
      {"\xA1", "\xA1"},
      {"a\xA1", "a\xA1"},
  };
  for (const auto& [t, expected] : cases) {
    SCOPED_TRACE(shown(t));
    EXPECT_EQ(shown(trim_both(t)), shown(expected));
  }
}

TEST(ToUpper, FoldsAsciiLettersAndLeavesEveryDoubleByteCharacter) {
  EXPECT_EQ(to_upper("abc xyz ABC 09@[`{"), "ABC XYZ ABC 09@[`{");
  // "\x81\x61" is one character whose second byte happens to be 'a'.
  EXPECT_EQ(shown(to_upper("a\x81\x61" "a中文z")), shown("A\x81\x61" "A中文Z"));
  // Long stretches go a block at a time; a character straddling a block edge still counts.
  Text long_text(31, 'a');
  long_text += "\x81\x61" + Text(40, 'b');
  EXPECT_EQ(shown(to_upper(long_text)), shown(Text(31, 'A') + "\x81\x61" + Text(40, 'B')));
}

TEST(Markers, BeforeAfterAndBetween) {
  EXPECT_EQ(text_before("k=v=w", "="), "k");
  EXPECT_EQ(text_after("k=v=w", "="), "w");
  EXPECT_EQ(text_before("flag", "="), "");
  EXPECT_EQ(text_after("flag", "="), "");
  // Negative positions: text_before searches backwards, text_after forwards.
  EXPECT_EQ(text_before("k=v=w", "=", -1), "k=v");
  EXPECT_EQ(text_before("k=v=w", "=", -2), "k");
  EXPECT_EQ(text_after("k=v=w", "=", -1), "v=w");
  EXPECT_EQ(text_after("k=v=w", "=", -3), "w");
  EXPECT_EQ(text_before("k=v=w", "=", 3), "k=v");
  EXPECT_EQ(text_after("k=v=w", "=", 2), "v=w");
  EXPECT_EQ(text_after("k=v=w", "=", 99), "");
  EXPECT_EQ(text_before("k=v=w", "=", -99), "");
  EXPECT_EQ(text_after("k=v=w", "=", std::numeric_limits<int>::min()), "");
  EXPECT_EQ(text_before("Key=1", "key=", 0, true), "");
  EXPECT_EQ(text_after("Key=1", "key=", 0, true), "1");

  EXPECT_EQ(text_between("Set-Cookie: a=1; Path=/", "Set-Cookie:", ";"), " a=1");
  EXPECT_EQ(text_between("x=\"v\" y", "#引号", "#引号"), "v");
  EXPECT_EQ(text_between("name=\"v\"", "name=#引号", "#引号"), "v");
  EXPECT_EQ(text_between("a[]", "[", "]"), "");
  EXPECT_EQ(text_between("a[b", "[", "]"), "");
  EXPECT_EQ(text_between("a]b[", "[", "]"), "");
  EXPECT_EQ(text_between("a[b]c[d]", "[", "]", 4), "d");
  EXPECT_EQ(text_between("a[b]", "[", ""), "");
  EXPECT_EQ(text_between("<A>x</a>", "<a>", "</A>", std::nullopt, true), "x");
}

// The operations as the walk describes them, one step at a time: the reference that the fast
// implementations must agree with.
namespace walk {

std::size_t step(std::string_view t, std::size_t at) {
  return static_cast<unsigned char>(t[at]) >= 0x80 ? 2 : 1;
}

char fold(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

bool matches_at(std::string_view t, std::size_t at, std::string_view needle, bool ignore_case,
                std::size_t end) {
  if (end - at < needle.size()) return false;
  for (std::size_t i = 0; i < needle.size(); ++i) {
    const char a = t[at + i], b = needle[i];
    if (ignore_case ? fold(a) != fold(b) : a != b) return false;
  }
  return true;
}

std::size_t offset(std::optional<int> start) { return start && *start > 1 ? *start - 1 : 0; }

int find(std::string_view t, std::string_view needle, std::optional<int> start, bool ic) {
  if (offset(start) >= t.size()) return -1;
  if (needle.empty()) return 1;
  for (std::size_t at = offset(start); at < t.size(); at += step(t, at)) {
    if (matches_at(t, at, needle, ic, t.size())) return static_cast<int>(at + 1);
  }
  return -1;
}

int find_reverse(std::string_view t, std::string_view needle, std::optional<int> start, bool ic) {
  std::size_t region = t.size();
  if (start) {
    if (*start - 1 <= 0) return -1;
    region = std::min<std::size_t>(region, *start - 1);
  }
  if (region == 0) return -1;
  if (needle.empty()) return 1;
  int last = -1;
  for (std::size_t at = 0; at < region; at += step(t, at)) {
    if (matches_at(t, at, needle, ic, region)) last = static_cast<int>(at + 1);
  }
  return last;
}

Text replace(std::string_view t, std::string_view find, std::string_view replacement,
             std::optional<int> start, std::optional<int> count, bool ic) {
  int left = count.value_or(-1);
  if (t.empty() || find.empty() || left == 0 || offset(start) >= t.size()) return Text(t);
  Text out(t.substr(0, offset(start)));
  std::size_t at = offset(start);
  while (at < t.size() && left != 0) {
    if (matches_at(t, at, find, ic, t.size())) {
      out += replacement;
      at += find.size();
      --left;
    } else {
      out += t.substr(at, step(t, at));
      at += step(t, at);
    }
  }
  if (at < t.size()) out += t.substr(at);
  return out;
}

std::vector<Text> split(std::string_view t, std::string_view delimiter,
                        std::optional<int> max_count) {
  int left = max_count ? std::max(*max_count, 0) : -1;
  if (t.empty() || left == 0) return {};
  if (delimiter.empty()) return {Text(t)};
  std::vector<Text> pieces;
  std::size_t piece = 0;
  for (std::size_t at = 0; at < t.size();) {
    if (matches_at(t, at, delimiter, false, t.size())) {
      pieces.emplace_back(t.substr(piece, at - piece));
      at += delimiter.size();
      piece = at;
      if (--left == 0) return pieces;
    } else {
      at += step(t, at);
    }
  }
  if (piece < t.size()) pieces.emplace_back(t.substr(piece));
  return pieces;
}

bool blank_at(std::string_view t, std::size_t at) {
  return t[at] == ' ' || (t.substr(at, 2) == "\xA1\xA1");
}

Text trim(std::string_view t) {
  std::size_t begin = 0;
  while (begin < t.size() && blank_at(t, begin)) begin += t[begin] == ' ' ? 1 : 2;
  std::size_t end = t.size();
  bool in_run = false;
  for (std::size_t at = begin; at < t.size(); at += step(t, at)) {
    if (!blank_at(t, at)) {
      in_run = false;
    } else if (!in_run) {
      in_run = true;
      end = at;
    }
  }
  if (!in_run) end = t.size();
  return Text(t.substr(begin, end - begin));
}

Text upper(std::string_view t) {
  Text out(t);
  for (std::size_t at = 0; at < out.size(); at += step(out, at)) {
    if (out[at] >= 'a' && out[at] <= 'z') out[at] = static_cast<char>(out[at] - 32);
  }
  return out;
}

}  // namespace walk

// Every text of up to `max_length` bytes over `alphabet`.
std::vector<Text> all_texts(std::string_view alphabet, std::size_t max_length) {
  std::vector<Text> texts{""};
  for (std::size_t i = 0; i < texts.size(); ++i) {
    if (texts[i].size() == max_length) continue;
    for (const char c : alphabet) texts.push_back(texts[i] + c);
  }
  return texts;
}

// Letters of both cases, a space, the full-width space byte and another lead byte: enough for
// second bytes that look like ASCII, pairs across character boundaries and lone lead bytes.
constexpr std::string_view ALPHABET = "aA \xA1\xB0";

TEST(WalkAgreement, EveryShortTextBehavesAsTheStepByStepWalk) {
  const std::vector<Text> texts = all_texts(ALPHABET, 5);
  const std::vector<Text> needles = all_texts(ALPHABET, 2);
  for (const Text& t : texts) {
    SCOPED_TRACE("text " + shown(t));
    ASSERT_EQ(shown(trim_both(t)), shown(walk::trim(t)));
    ASSERT_EQ(shown(to_upper(t)), shown(walk::upper(t)));
    for (const Text& needle : needles) {
      SCOPED_TRACE("needle " + shown(needle));
      for (int start = 0; start <= static_cast<int>(t.size()) + 2; ++start) {
        const std::optional<int> s = start == 0 ? std::nullopt : std::optional<int>(start);
        for (const bool ic : {false, true}) {
          ASSERT_EQ(find_text(t, needle, s, ic), walk::find(t, needle, s, ic)) << shown(s) << ic;
          ASSERT_EQ(find_text_reverse(t, needle, s, ic), walk::find_reverse(t, needle, s, ic))
              << shown(s) << ic;
        }
      }
      for (const std::optional<int> count : {std::optional<int>(), std::optional<int>(1)}) {
        for (const std::optional<int> start : {std::optional<int>(), std::optional<int>(2)}) {
          ASSERT_EQ(shown(replace_text(t, needle, "<>", start, count, false)),
                    shown(walk::replace(t, needle, "<>", start, count, true)));
          ASSERT_EQ(shown(replace_text(t, needle, "<>", start, count, true)),
                    shown(walk::replace(t, needle, "<>", start, count, false)));
        }
        ASSERT_EQ(elements(split_text(t, needle, count)), walk::split(t, needle, count));
      }
    }
  }
}

TEST(WalkAgreement, LongTextsBehaveAsTheStepByStepWalk) {
  // Long runs of lead-range bytes and long ASCII stretches take the paths that handle many bytes
  // at once; short texts never reach them.
  std::mt19937 random(7);
  const std::string_view alphabet = "aA \xA1\xA1\xA1\xB0\xB0\xB0@";
  for (int round = 0; round < 3000; ++round) {
    Text t;
    const bool mostly_ascii = round % 2 == 0;
    for (std::size_t n = random() % 120; n > 0; --n) {
      t += mostly_ascii && random() % 8 != 0 ? "ab "[random() % 3]
                                             : alphabet[random() % alphabet.size()];
    }
    const std::size_t from = t.empty() ? 0 : random() % t.size();
    const Text needle = t.substr(from, 1 + random() % 3);
    SCOPED_TRACE("text " + shown(t) + " needle " + shown(needle));
    ASSERT_EQ(shown(to_upper(t)), shown(walk::upper(t)));
    ASSERT_EQ(shown(trim_both(t)), shown(walk::trim(t)));
    if (needle.empty()) continue;
    const std::optional<int> start = static_cast<int>(random() % 4);
    ASSERT_EQ(find_text(t, needle, start, false), walk::find(t, needle, start, false));
    ASSERT_EQ(find_text_reverse(t, needle, std::nullopt, true),
              walk::find_reverse(t, needle, std::nullopt, true));
    ASSERT_EQ(shown(replace_text(t, needle, "<>", start, std::nullopt, true)),
              shown(walk::replace(t, needle, "<>", start, std::nullopt, false)));
    ASSERT_EQ(elements(split_text(t, needle)), walk::split(t, needle, std::nullopt));
  }
}

}  // namespace
