#pragma once
// Reads tagged saved data (docs/saved_data.md). The data are checked whole when the loader is
// made: a loader over malformed data (a truncated record, a block running past the end, a
// block before any tag, an unknown record) is invalid and holds no tag. No call ever reads
// past the data, whatever the bytes are.
//
// Reading a tag: GetInfoIfTag(tag) selects the first occurrence of the tag; then each
// CopyTagDataToPointer copies the tag's next block whole, so the caller checks its size with
// GetSizeDataBlock(false) first when the destination is fixed.

#include <cstdint>
#include <string>
#include <vector>

class HxFileLoader {
 public:
  HxFileLoader() = default;
  explicit HxFileLoader(std::vector<std::uint8_t> data);
  HxFileLoader(const void* data, std::size_t size);

  // Reads a whole file of tagged data; false when it cannot be read (the loader is then empty
  // and invalid).
  bool OpenLoadFile(const char* path);

  bool IsValid() const { return valid_; }

  // True when the data hold the tag; selects it and its first block.
  bool GetInfoIfTag(const char* tag);
  // Size of the selected tag's next block, 0 when there is none; with skip the block is
  // passed over as if copied.
  unsigned long GetSizeDataBlock(bool skip);
  // Copies the selected tag's next block into destination and moves to the block after it.
  // Returns the number of bytes copied, 0 when no block is left.
  unsigned long CopyTagDataToPointer(void* destination);

 private:
  struct Block {
    std::size_t offset;
    std::uint32_t size;
  };
  struct Tag {
    char name[4];
    std::vector<Block> blocks;
  };

  void Parse();

  std::vector<std::uint8_t> data_;
  std::vector<Tag> tags_;
  bool valid_ = false;
  const Tag* current_ = nullptr;
  std::size_t nextBlock_ = 0;
};
