#include "host/file_path_find.h"

#include <gtest/gtest.h>

TEST(FilePathFind, RelativeToTheSourcePath) {
  struct Case {
    const char* source;
    const char* file;
    const char* relative;
  } cases[] = {
      {"/projects/demo", "/projects/demo/media/clip.avi", "media/clip.avi"},
      {"/projects/demo/", "/projects/demo/clip.avi", "clip.avi"},
      {"/projects/demo", "/projects/other/clip.avi", "../other/clip.avi"},
      {"\\projects\\demo", "\\projects\\demo\\media\\clip.avi", "media/clip.avi"},
      {"/projects/demo", "clip.avi", "clip.avi"},  // already relative
      {"", "/abs/clip.avi", "/abs/clip.avi"},      // no source path
  };
  for (const Case& c : cases) {
    FilePathFind find;
    find.SetSourcePath(c.source);
    EXPECT_STREQ(find.GetValidRelativeDir(c.file), c.relative) << c.source << " " << c.file;
  }
}
