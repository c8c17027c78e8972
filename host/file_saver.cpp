#include "host/file_saver.h"

#include <cstring>

#include "host/tagged_format.h"

HxFileSaver::~HxFileSaver() {
  if (file_) std::fclose(file_);
}

bool HxFileSaver::Fail() {
  good_ = false;
  return false;
}

bool HxFileSaver::Put(const void* bytes, std::size_t size) {
  if (size > byteLimit_ - written_) return Fail();
  written_ += size;
  if (file_) {
    if (size && std::fwrite(bytes, 1, size, file_) != size) return Fail();
    return true;
  }
  const auto* b = static_cast<const std::uint8_t*>(bytes);
  data_.insert(data_.end(), b, b + size);
  return true;
}

bool HxFileSaver::SaveTag(const char* tag) {
  if (!good_ || !tagged_ || !tag || std::strlen(tag) != 4 || blockRemaining_ != 0) return Fail();
  const std::uint8_t record = tagged_format::kTagRecord;
  return Put(&record, 1) && Put(tag, 4);
}

bool HxFileSaver::SaveBlockSize(unsigned long size) {
  if (!good_ || !tagged_ || blockRemaining_ != 0 || size > UINT32_MAX) return Fail();
  std::uint8_t header[5] = {tagged_format::kBlockRecord};
  tagged_format::PutU32(header + 1, static_cast<std::uint32_t>(size));
  if (!Put(header, sizeof header)) return false;
  blockRemaining_ = size;
  return true;
}

bool HxFileSaver::SaveDataToFile(const void* data, unsigned long size) {
  if (!good_ || (size && !data)) return Fail();
  if (tagged_) {
    if (size > blockRemaining_) return Fail();
    blockRemaining_ -= size;
  }
  return Put(data, size);
}

bool HxFileSaver::OpenSaveFile(const char* path, bool tagged) {
  if (file_ || !path) return false;
  file_ = std::fopen(path, "wb");
  if (!file_) return false;
  tagged_ = tagged;
  good_ = true;
  blockRemaining_ = 0;
  written_ = 0;
  return true;
}

bool HxFileSaver::CloseSaveFile() {
  if (!file_) return false;
  const bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  const bool ok = good_ && closed && blockRemaining_ == 0;
  tagged_ = true;
  return ok;
}
