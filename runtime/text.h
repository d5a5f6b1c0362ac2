// Text and byte primitives: the value types every other subsystem is written in.
//
// `Text` is a GBK byte string without zero bytes; a character is one byte 0x00-0x7F or a lead
// byte 0x80-0xFF followed by one more byte. Lengths and counts are bytes, positions are 1-based,
// and a search that finds nothing gives -1. The empty and the absent text are the same value.
// `Bytes` is a byte buffer that may hold zero bytes. `TextArray` is a list of texts with 1-based,
// checked element access.
//
//   find_text("abcabc", "bc")            == 2
//   find_text("abcabc", "bc", 3)         == 5
//   split_text(",a,,b,")                 -> "", "a", "", "b"
//   text_between("x=\"v\"", "#引号", "#引号") == "v"
//
// Searches, replacement, split, trim and case folding walk the text character by character, so a
// match never starts on the trail byte of a double-byte character. Case-insensitive comparison
// folds the ASCII letters only. None of these operations changes its arguments.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

using Text = std::string;
using Bytes = std::vector<std::uint8_t>;

// An ordered, growable list of texts addressed from 1. Element access outside 1..count is a
// fatal error (code 4 below 1, code 1 above the count).
class TextArray {
 public:
  TextArray() = default;
  TextArray(std::initializer_list<Text> elements) : elements_(elements) {}

  int count() const { return static_cast<int>(elements_.size()); }
  const Text& element(int k) const;
  Text& element(int k);
  void append(std::string_view text) { elements_.emplace_back(text); }

  auto begin() const { return elements_.begin(); }
  auto end() const { return elements_.end(); }
  bool operator==(const TextArray&) const = default;

 private:
  std::vector<Text> elements_;
};

// Texts: length, joining, comparing.
int text_length(std::string_view t);
Text concat_text(std::initializer_list<std::string_view> parts);
// 0 when equal, otherwise -1 or 1 by unsigned byte-wise order (a proper prefix is smaller).
int compare_text(std::string_view a, std::string_view b);
bool starts_with(std::string_view t, std::string_view prefix);

// Texts: parts by byte counts (a count may split a double-byte character).
Text text_left(std::string_view t, int n);
Text text_right(std::string_view t, int n);
Text text_mid(std::string_view t, int start, int n);

// First occurrence at or after `start` (absent or below 1: from the beginning); an empty needle
// gives 1 while any byte remains to be searched.
int find_text(std::string_view t, std::string_view needle, std::optional<int> start = std::nullopt,
              bool ignore_case = false);
// Last occurrence lying wholly within the first start - 1 bytes (the whole text when absent).
int find_text_reverse(std::string_view t, std::string_view needle,
                      std::optional<int> start = std::nullopt, bool ignore_case = false);
// Replaces non-overlapping occurrences from `start` on, at most `count` of them (absent or -1:
// all). Replaced text is never searched again.
Text replace_text(std::string_view t, std::string_view find, std::string_view replacement = {},
                  std::optional<int> start = std::nullopt, std::optional<int> count = std::nullopt,
                  bool case_sensitive = true);
// Pieces between delimiters; empty pieces before and between delimiters are kept, a delimiter at
// the very end adds none. `max_count` stops the split after that many pieces, dropping the rest.
TextArray split_text(std::string_view t, std::string_view delimiter = ",",
                     std::optional<int> max_count = std::nullopt);
// Removes ASCII spaces and full-width spaces (0xA1 0xA1) from both ends; tabs and line breaks stay.
Text trim_both(std::string_view t);

// Pieces around a marker. Defaults: text_before and text_between take the first occurrence,
// text_after the last. "#引号" in the markers of text_between stands for a double quote.
Text text_before(std::string_view t, std::string_view marker, int position = 0,
                 bool ignore_case = false);
Text text_after(std::string_view t, std::string_view marker, int position = 0,
                bool ignore_case = false);
Text text_between(std::string_view t, std::string_view start_marker, std::string_view end_marker,
                  std::optional<int> start = std::nullopt, bool ignore_case = false);

// Characters and case.
Text to_upper(std::string_view t);
int char_code(std::string_view t);  // first byte as signed 8-bit; 0 for the empty text
Text char_from_code(std::uint8_t code);  // code 0 gives the empty text
Text blank_text(int n);

// Conversions.
Text to_text(int value);                 // "%d"
Text to_text(double value);              // "%.13g" with a three-digit exponent: 1e20 -> "1e+020"
Text to_text(const Bytes& bytes);        // up to the first zero byte
Text to_text(std::string_view text);     // a copy
Text to_text(const char* text);          // a copy
Text to_hex_text(int value);             // "%X" of the value as unsigned 32-bit
int to_int(double value);                // truncation toward zero, low 32 bits kept
std::uint8_t to_byte(int value);         // low 8 bits
Bytes to_bytes(std::string_view text);

// Byte buffers.
int bytes_length(const Bytes& b);
Bytes bytes_mid(const Bytes& b, int start, int n);
Bytes blank_bytes(int n);
Bytes concat_bytes(std::initializer_list<std::span<const std::uint8_t>> parts);
bool compare_bytes(const Bytes& a, const Bytes& b);  // true when equal

// Numbers.
double modulo(double a, double b);  // fmod; b == 0 is a fatal error
int bit_and(int a, int b);
int shift_left(int v, int n);   // by n mod 32
int shift_right(int v, int n);  // arithmetic, by n mod 32
