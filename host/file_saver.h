#pragma once
// Writes a channel's settings as tagged blocks (docs/saved_data.md), into memory or a file,
// or writes a plain file byte for byte.
//
// Tagged mode: SaveTag starts a tag; SaveBlockSize(n) starts one block of n bytes, which the
// following SaveDataToFile calls fill (in any number of pieces). A call that breaks this
// shape (a tag of other than four characters, more data than the block has room for, a new
// tag or block while a block is unfilled) puts the saver in a failed state: every later
// call returns false and the result must not be used.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

class HxFileSaver {
 public:
  HxFileSaver() = default;
  ~HxFileSaver();
  HxFileSaver(const HxFileSaver&) = delete;
  HxFileSaver& operator=(const HxFileSaver&) = delete;

  bool SaveTag(const char* tag);
  bool SaveBlockSize(unsigned long size);
  bool SaveDataToFile(const void* data, unsigned long size);

  // Opens a file to write. tagged false: SaveDataToFile writes raw bytes and tags and block
  // sizes are refused; true: the tagged format goes to the file. False when it cannot be
  // created.
  bool OpenSaveFile(const char* path, bool tagged);
  // Closes the file; false when anything failed on the way (a short write, an unfilled block).
  bool CloseSaveFile();

  // Tagged data written to memory so far (when no file is open).
  const std::vector<std::uint8_t>& GetData() const { return data_; }
  bool IsGood() const { return good_; }
  // For tests of error paths: the saver fails once more than limit bytes were asked of it.
  void SetByteLimit(std::size_t limit) { byteLimit_ = limit; }

 private:
  bool Put(const void* bytes, std::size_t size);
  bool Fail();

  std::vector<std::uint8_t> data_;
  std::FILE* file_ = nullptr;
  bool tagged_ = true;
  bool good_ = true;
  std::uint64_t blockRemaining_ = 0;
  std::size_t written_ = 0;
  std::size_t byteLimit_ = SIZE_MAX;
};
