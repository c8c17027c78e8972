// Runs the demo program in a temporary folder: a short un-paced run writes its pictures and
// application file and passes its own reload check; bad arguments end with one line naming
// the problem and a non-zero exit, never a crash.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <future>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct RunResult {
  bool exited = false;  // false when a signal ended it
  int code = -1;
  std::string out, err;
};

std::string ReadText(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// Runs the program with arguments, its output kept in files of folder.
RunResult RunIn(const fs::path& folder, const std::vector<std::string>& arguments) {
  std::string command = Quote(CORVANE_DEMO_PROGRAM);
  for (const std::string& a : arguments) command += " " + Quote(a);
  command += " >" + Quote((folder / "stdout.txt").string()) + " 2>" + Quote((folder / "stderr.txt").string());
  const int status = std::system(command.c_str());
  RunResult r;
  r.exited = status != -1 && WIFEXITED(status);
  r.code = r.exited ? WEXITSTATUS(status) : -1;
  r.out = ReadText(folder / "stdout.txt");
  r.err = ReadText(folder / "stderr.txt");
  return r;
}

class DemoProgram : public testing::Test {
 protected:
  // One short default run shared by the tests: its files and output.
  static void SetUpTestSuite() {
    shared_ = fs::temp_directory_path() / ("corvane-demo-test-" + std::to_string(::getpid()));
    fs::remove_all(shared_);
    fs::create_directories(shared_);
    firstRun_ = RunIn(shared_, {"--unpaced", "--frames", "40", "--out", (shared_ / "out").string()});
  }
  static void TearDownTestSuite() {
    std::error_code ignored;
    fs::remove_all(shared_, ignored);
  }

  void SetUp() override {
    folder_ = fs::temp_directory_path() /
              ("corvane-demo-test-" + std::to_string(::getpid()) + "-" +
               testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }

  RunResult Run(const std::vector<std::string>& arguments) { return RunIn(folder_, arguments); }

  static fs::path shared_;
  static RunResult firstRun_;
  fs::path folder_;
};

fs::path DemoProgram::shared_;
RunResult DemoProgram::firstRun_;

bool IsPng(const fs::path& file) { return ReadText(file).rfind("\x89PNG\r\n\x1a\n", 0) == 0; }

int CountTexturePictures(const fs::path& folder) {
  int count = 0;
  for (const auto& entry : fs::directory_iterator(folder))
    if (entry.path().filename().string().rfind("texture-", 0) == 0 && IsPng(entry.path())) ++count;
  return count;
}

TEST_F(DemoProgram, AShortRunWritesItsFilesAndTheReloadMatches) {
  const fs::path out = shared_ / "out";
  const RunResult& r = firstRun_;
  ASSERT_TRUE(r.exited);
  ASSERT_EQ(r.code, 0) << r.out << r.err;
  EXPECT_TRUE(IsPng(out / "path.png"));
  EXPECT_GE(CountTexturePictures(out), 1);
  EXPECT_GT(fs::file_size(out / "clip.avi"), 1000u);
  // The application carries the clip, and the fresh host extracted it.
  EXPECT_GT(fs::file_size(out / "demo.cvapp"), fs::file_size(out / "clip.avi"));
  EXPECT_EQ(fs::file_size(out / "cache" / "movies" / "clip.avi"), fs::file_size(out / "clip.avi"));
  EXPECT_NE(r.out.find("60 of 60 frames at the same position"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("media playing"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("the reloaded application behaves as the saved one"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("frames            40"), std::string::npos) << r.out;
  EXPECT_EQ(r.err, "");
}

TEST_F(DemoProgram, ALevelFileAndAMediaFileReplaceTheBuiltInOnes) {
  // A square room as OBJ, and the clip of the shared run as the media file.
  const fs::path level = folder_ / "room.obj";
  std::ofstream(level) << "v -5 0 -5\nv 5 0 -5\nv 5 0 5\nv -5 0 5\n"
                          "v -5 2 -5\nv 5 2 -5\nv 5 2 5\nv -5 2 5\n"
                          "f 1 4 3 2\n"                  // floor, facing up
                          "f 1 2 6 5\nf 2 3 7 6\nf 3 4 8 7\nf 4 1 5 8\n";  // walls, facing in
  const fs::path first = shared_ / "out";
  ASSERT_TRUE(fs::exists(first / "clip.avi"));
  const fs::path out = folder_ / "out";
  const RunResult r = Run({"--unpaced", "--frames", "60", "--level", level.string(), "--media",
                           (first / "clip.avi").string(), "--out", out.string()});
  ASSERT_TRUE(r.exited);
  ASSERT_EQ(r.code, 0) << r.out << r.err;
  EXPECT_TRUE(IsPng(out / "path.png"));
  EXPECT_FALSE(fs::exists(out / "clip.avi"));  // nothing generated when a file is given
  EXPECT_NE(r.out.find("level: 1 objects"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("the reloaded application behaves as the saved one"), std::string::npos) << r.out;
}

struct BadArguments {
  const char* what;
  std::vector<std::string> arguments;
  const char* named;  // the message names this
};

TEST_F(DemoProgram, BadArgumentsEndWithOneLineAndAFailure) {
  const std::string missing = (folder_ / "missing.obj").string();
  const std::string notAMesh = (folder_ / "notes.obj").string();
  std::ofstream(notAMesh) << "this is not a mesh\n";
  const std::string unreadable = (folder_ / "locked.avi").string();
  std::ofstream(unreadable) << "x";
  fs::permissions(unreadable, fs::perms::none);
  const std::string out = (folder_ / "out").string();
  const std::vector<BadArguments> cases = {
      {"unknown option", {"--fast"}, "--fast"},
      {"missing value", {"--frames"}, "--frames"},
      {"zero frames", {"--frames", "0"}, "--frames"},
      {"two media sources", {"--media", "a.avi", "--capture", "0"}, "one media source"},
      {"missing level", {"--level", missing, "--out", out}, missing.c_str()},
      {"level not a mesh", {"--level", notAMesh, "--out", out}, notAMesh.c_str()},
      {"missing media file", {"--media", (folder_ / "none.avi").string(), "--out", out}, "none.avi"},
      {"unreadable media file", {"--media", unreadable, "--out", out}, "locked.avi"},  // as root: not media
      {"media file that is no media", {"--media", notAMesh, "--out", out}, "notes.obj"},
      {"URL that cannot be opened", {"--media", "http://127.0.0.1:9/clip.avi", "--out", out}, "127.0.0.1:9"},
      {"no such capture device", {"--capture", "99", "--out", out}, "capture device 99"},
  };
  // Each case is a process of its own; they run side by side.
  std::vector<std::future<RunResult>> runs;
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const fs::path place = folder_ / ("case-" + std::to_string(i));
    fs::create_directories(place);
    runs.push_back(std::async(std::launch::async, RunIn, place, cases[i].arguments));
  }
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(cases[i].what);
    const RunResult r = runs[i].get();
    ASSERT_TRUE(r.exited) << "ended by a signal";
    EXPECT_NE(r.code, 0);
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_EQ(r.err.rfind("corvane_demo: ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find(cases[i].named), std::string::npos) << r.err;
  }
}

TEST_F(DemoProgram, HelpAndDeviceListingSucceed) {
  const RunResult help = Run({"--help"});
  EXPECT_EQ(help.code, 0);
  EXPECT_NE(help.out.find("--level FILE"), std::string::npos);
  const RunResult list = Run({"--list-devices"});
  EXPECT_EQ(list.code, 0) << list.err;
  EXPECT_NE(list.out.find("video capture device"), std::string::npos) << list.out;
}

}  // namespace
