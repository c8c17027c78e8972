#include "host/file_loader.h"

#include <cstdio>
#include <cstring>

#include "host/tagged_format.h"

HxFileLoader::HxFileLoader(std::vector<std::uint8_t> data) : data_(std::move(data)) { Parse(); }

HxFileLoader::HxFileLoader(const void* data, std::size_t size)
    : data_(static_cast<const std::uint8_t*>(data), static_cast<const std::uint8_t*>(data) + size) {
  Parse();
}

bool HxFileLoader::OpenLoadFile(const char* path) {
  data_.clear();
  tags_.clear();
  valid_ = false;
  current_ = nullptr;
  std::FILE* f = path ? std::fopen(path, "rb") : nullptr;
  if (!f) return false;
  std::uint8_t buffer[65536];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) data_.insert(data_.end(), buffer, buffer + n);
  const bool ok = !std::ferror(f);
  std::fclose(f);
  if (!ok) {
    data_.clear();
    return false;
  }
  Parse();
  return true;
}

void HxFileLoader::Parse() {
  tags_.clear();
  valid_ = false;
  std::size_t at = 0;
  while (at < data_.size()) {
    const std::uint8_t record = data_[at++];
    if (record == tagged_format::kTagRecord) {
      if (data_.size() - at < 4) return;
      Tag tag{};
      std::memcpy(tag.name, &data_[at], 4);
      tags_.push_back(std::move(tag));
      at += 4;
    } else if (record == tagged_format::kBlockRecord) {
      if (tags_.empty() || data_.size() - at < 4) return;
      const std::uint32_t size = tagged_format::GetU32(&data_[at]);
      at += 4;
      if (data_.size() - at < size) return;
      tags_.back().blocks.push_back({at, size});
      at += size;
    } else {
      return;
    }
  }
  valid_ = true;
}

bool HxFileLoader::GetInfoIfTag(const char* tag) {
  current_ = nullptr;
  nextBlock_ = 0;
  if (!valid_ || !tag || std::strlen(tag) != 4) return false;
  for (const Tag& t : tags_) {
    if (std::memcmp(t.name, tag, 4) == 0) {
      current_ = &t;
      return true;
    }
  }
  return false;
}

unsigned long HxFileLoader::GetSizeDataBlock(bool skip) {
  if (!current_ || nextBlock_ >= current_->blocks.size()) return 0;
  const unsigned long size = current_->blocks[nextBlock_].size;
  if (skip) ++nextBlock_;
  return size;
}

unsigned long HxFileLoader::CopyTagDataToPointer(void* destination) {
  if (!current_ || nextBlock_ >= current_->blocks.size()) return 0;
  const Block& block = current_->blocks[nextBlock_++];
  if (block.size && destination) std::memcpy(destination, &data_[block.offset], block.size);
  return destination ? block.size : 0;
}
