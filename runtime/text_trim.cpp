// Trimming ASCII and full-width spaces from both ends of a text.
#include "runtime/text.h"
#include "runtime/text_walk.h"

namespace {

constexpr char FULL_WIDTH_SPACE_BYTE = '\xA1';  // the full-width space is this byte twice

bool full_width_space_at(std::string_view t, std::size_t at) {
  return t[at] == FULL_WIDTH_SPACE_BYTE && at + 1 < t.size() && t[at + 1] == FULL_WIDTH_SPACE_BYTE;
}

}  // namespace

Text trim_both(std::string_view t) {
  std::size_t begin = 0;
  while (begin < t.size()) {
    if (t[begin] == ' ') {
      begin += 1;
    } else if (full_width_space_at(t, begin)) {
      begin += 2;
    } else {
      break;
    }
  }

  // Trailing blanks can only lie in the final stretch of space and 0xA1 bytes; which of those
  // bytes start characters is settled from the bytes just before the stretch, so the rest of
  // the text is never walked.
  std::size_t stretch = t.size();
  while (stretch > begin && (t[stretch - 1] == ' ' || t[stretch - 1] == FULL_WIDTH_SPACE_BYTE)) {
    --stretch;
  }
  std::size_t at = text_walk::walk_reaches(t, begin, stretch) ? stretch : stretch + 1;
  std::size_t end = t.size();
  bool in_blank_run = false;
  while (at < t.size()) {
    const bool blank = t[at] == ' ' || full_width_space_at(t, at);
    if (!blank) {
      in_blank_run = false;
    } else if (!in_blank_run) {
      in_blank_run = true;
      end = at;
    }
    at += text_walk::step_length(t, at);
  }
  if (!in_blank_run) end = t.size();
  return Text(t.substr(begin, end - begin));
}
