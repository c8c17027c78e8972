#include "platform/win32/file_system.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

class CreateDirectoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root = fs::temp_directory_path() /
           ("corvane_mkdir_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root);
    fs::create_directories(root);
    std::ofstream(root / "file") << "x";
  }
  void TearDown() override { fs::remove_all(root); }
  fs::path root;
};

TEST_F(CreateDirectoryTest, CreatesOneLevelWithEitherSeparator) {
  struct Case {
    const char* name;
    std::string relative;  // as the caller writes it, under root
    BOOL ok;
    DWORD error;
    const char* created;  // what must then exist, relative to root
  };
  const Case cases[] = {
      {"new with slash", "/cache", TRUE, 0, "cache"},
      {"new with backslashes", "\\cache\\movies", TRUE, 0, "cache/movies"},
      {"trailing backslash", "\\cache\\movies\\clips\\", TRUE, 0, "cache/movies/clips"},
      {"existing folder", "\\cache", FALSE, ERROR_ALREADY_EXISTS, "cache"},
      {"existing file", "\\file", FALSE, ERROR_ALREADY_EXISTS, "file"},
      {"missing parent", "\\absent\\child", FALSE, ERROR_PATH_NOT_FOUND, nullptr},
      {"parent is a file", "\\file\\child", FALSE, ERROR_PATH_NOT_FOUND, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = root.string() + c.relative;
    SetLastError(0);
    EXPECT_EQ(CreateDirectoryA(path.c_str(), nullptr), c.ok);
    if (!c.ok) {
      EXPECT_EQ(GetLastError(), c.error);
    }
    if (c.created) {
      EXPECT_TRUE(fs::exists(root / c.created));
    }
  }
  EXPECT_TRUE(fs::is_directory(root / "cache" / "movies"));
  EXPECT_FALSE(fs::exists(root / "absent"));
}

TEST(CreateDirectory, EmptyOrNullPathIsNotFound) {
  for (const char* path : {static_cast<const char*>(nullptr), ""}) {
    SetLastError(0);
    EXPECT_EQ(CreateDirectoryA(path, nullptr), FALSE);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  }
}

}  // namespace
