// Base64 against the examples, and against Python's base64 module on random buffers.
#include "http/base64.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

TEST(Base64Encode, Examples) {
  struct Case {
    std::string data;
    Text encoded;
  };
  const Case cases[] = {
      {"", ""},
      {"a", "YQ=="},
      {"ab", "YWI="},
      {"abc", "YWJj"},
      {"user:pass", "dXNlcjpwYXNz"},
      {std::string("\0\0\0\0", 4), "AAAAAA=="},
      {"\xFF\xFF\xFE", "///+"},
      {"\xFB\xEF\xBE", "++++"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.encoded);
    EXPECT_EQ(base64_encode(Bytes(c.data.begin(), c.data.end())), c.encoded);
  }
}

TEST(Base64Encode, NoLineBreakAtAnyLength) {
  const Text encoded = base64_encode(Bytes(57 * 3, 'x'));
  EXPECT_EQ(encoded.size(), 228u);
  EXPECT_EQ(encoded.find_first_of("\r\n"), Text::npos);
  EXPECT_EQ(base64_encode(Bytes(57, 'x')).size(), 76u);
}

// Python's base64 module, one line per buffer, for buffers of lengths 0, 1, 2, ... laid end to
// end in `joined`.
std::vector<std::string> reference_encodings(const Bytes& joined, size_t count) {
  char path[] = "/tmp/base64_test_XXXXXX";
  const int fd = mkstemp(path);
  if (fd < 0) return {};
  FILE* file = fdopen(fd, "wb");
  std::fwrite(joined.data(), 1, joined.size(), file);
  std::fclose(file);
  const std::string command =
      "python3 -c 'import base64,sys\n"
      "data = open(sys.argv[1], \"rb\").read()\n"
      "at = 0\n"
      "for n in range(int(sys.argv[2])):\n"
      "    print(base64.b64encode(data[at:at + n]).decode())\n"
      "    at += n' " +
      std::string(path) + " " + std::to_string(count);
  FILE* pipe = popen(command.c_str(), "r");
  std::string out;
  std::array<char, 4096> chunk;
  size_t n;
  while (pipe != nullptr && (n = std::fread(chunk.data(), 1, chunk.size(), pipe)) > 0) {
    out.append(chunk.data(), n);
  }
  if (pipe != nullptr) pclose(pipe);
  std::remove(path);
  std::vector<std::string> lines;
  for (size_t at = 0, end; (end = out.find('\n', at)) != std::string::npos; at = end + 1) {
    lines.push_back(out.substr(at, end - at));
  }
  return lines;
}

TEST(Base64Encode, MatchesPythonOnRandomBuffersOfEveryLengthUpTo300) {
  constexpr size_t COUNT = 301;
  std::mt19937 random(20240611);
  std::uniform_int_distribution<int> byte(0, 255);
  std::vector<Bytes> buffers;
  Bytes joined;
  for (size_t length = 0; length < COUNT; ++length) {
    Bytes& data = buffers.emplace_back(length);
    for (auto& b : data) b = static_cast<std::uint8_t>(byte(random));
    joined.insert(joined.end(), data.begin(), data.end());
  }
  const std::vector<std::string> reference = reference_encodings(joined, COUNT);
  ASSERT_EQ(reference.size(), COUNT);
  for (size_t length = 0; length < COUNT; ++length) {
    EXPECT_EQ(base64_encode(buffers[length]), reference[length]) << "length " << length;
  }
}

}  // namespace
