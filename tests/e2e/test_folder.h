// A folder for one test's logs (the display's, the program's, the servers'): removed after a test
// that passed, kept after one that failed, and named in the test's output so it can be read.
//
//   TestFolder folder;                 // in a fixture, made in SetUp's time
//   ChildProcess server(..., {.log = folder.path() / "server.log"});
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <string>

namespace tts_e2e {

class TestFolder {
 public:
  TestFolder() {
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    path_ = std::filesystem::temp_directory_path() /
            ("tts-e2e-" + std::string(test->test_suite_name()) + "-" + test->name() + "-" +
             std::to_string(::getpid()));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TestFolder() {
    std::error_code ignored;
    if (testing::Test::HasFailure()) {
      std::cout << "logs kept in " << path_.string() << std::endl;
    } else {
      std::filesystem::remove_all(path_, ignored);
    }
  }
  TestFolder(const TestFolder&) = delete;
  TestFolder& operator=(const TestFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace tts_e2e
