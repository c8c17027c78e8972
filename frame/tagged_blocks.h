#pragma once
// Settings saved as tagged blocks: one tag, then one block per value, each holding the value's
// bytes as they are in memory (no conversion, version or checksum).
//
// Loading is defensive: a block is copied only when its size is exactly the width of the
// setting it belongs to. Any other block (shorter, longer, missing) is passed over and the
// setting keeps its value, so corrupt or hostile data can never write past a setting.

#include <type_traits>

#include "host/file_loader.h"
#include "host/file_saver.h"

namespace tagged_blocks {

// SaveBlockSize(size) and SaveDataToFile(data, size) for one block of the current tag.
inline bool SaveBlock(HxFileSaver& saver, const void* data, unsigned long size) {
  return saver.SaveBlockSize(size) && saver.SaveDataToFile(data, size);
}

// One tag holding one value.
template <class T>
bool SaveValue(HxFileSaver& saver, const char* tag, const T& value) {
  static_assert(std::is_trivially_copyable_v<T>);
  return saver.SaveTag(tag) && SaveBlock(saver, &value, sizeof value);
}

// Copies the selected tag's next block into destination when it is exactly size bytes;
// otherwise passes over it. True when copied.
inline bool LoadBlock(HxFileLoader& loader, void* destination, unsigned long size) {
  if (loader.GetSizeDataBlock(false) != size) {
    loader.GetSizeDataBlock(true);
    return false;
  }
  return loader.CopyTagDataToPointer(destination) == size;
}

template <class T>
bool LoadNextValue(HxFileLoader& loader, T& value) {
  static_assert(std::is_trivially_copyable_v<T>);
  return LoadBlock(loader, &value, sizeof value);
}

// A bool is saved as one byte; any byte other than 0 loads as true, never as an invalid bool.
inline bool LoadNextValue(HxFileLoader& loader, bool& value) {
  unsigned char byte = 0;
  if (!LoadBlock(loader, &byte, 1)) return false;
  value = byte != 0;
  return true;
}

// Loads the value of a one-block tag; an absent tag or a block of the wrong size leaves the
// value as it was. True when loaded.
template <class T>
bool LoadValue(HxFileLoader& loader, const char* tag, T& value) {
  return loader.GetInfoIfTag(tag) && LoadNextValue(loader, value);
}

}  // namespace tagged_blocks
