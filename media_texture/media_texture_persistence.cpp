// Saving and loading the media texture's settings, with the media file embedded in the saved
// data ("MTMF") and extracted on load into <application directory>/cache/movies.

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "frame/tagged_blocks.h"
#include "host/file_path_find.h"
#include "host/hx_channel_group.h"
#include "host/hx_engine.h"
#include "media_texture/kv_dx8_media_texture.h"
#include "media_texture/media_graph_player.h"
#include "platform/win32/file_system.h"

namespace {

using tagged_blocks::LoadNextValue;
using tagged_blocks::LoadValue;
using tagged_blocks::SaveBlock;
using tagged_blocks::SaveValue;

// The saved name keeps 259 bytes of its 260-byte buffer.
constexpr unsigned long kSavedNameSize = 259;
constexpr unsigned long kChunkSize = 0x10000;

// Copies a text block of at most N bytes into buffer, terminated at its last byte; a larger
// block is passed over and buffer keeps its text. True when copied.
template <std::size_t N>
bool LoadText(HxFileLoader& loader, char (&buffer)[N]) {
  const unsigned long size = loader.GetSizeDataBlock(false);
  if (size > N) {
    loader.GetSizeDataBlock(true);
    return false;
  }
  char text[N] = {};
  loader.CopyTagDataToPointer(text);
  text[N - 1] = 0;
  std::memcpy(buffer, text, N);
  return true;
}

// Writes the whole file as one block, read through one 64 KiB buffer. False when the file
// cannot be read; the block is then empty (or, if the file changed while it was read, the
// saver is left failed).
bool SaveFileBlock(HxFileSaver& saver, const char* path) {
  std::FILE* file = *path ? std::fopen(path, "rb") : nullptr;
  long size = -1;
  if (file && std::fseek(file, 0, SEEK_END) == 0) size = std::ftell(file);
  // The block size is a 32-bit count.
  if (size < 0 || static_cast<unsigned long long>(size) > 0x7FFFFFFFull || std::fseek(file, 0, SEEK_SET) != 0) {
    if (file) std::fclose(file);
    saver.SaveBlockSize(0);
    return false;
  }
  bool ok = saver.SaveBlockSize(static_cast<unsigned long>(size));
  std::unique_ptr<char[]> chunk(new (std::nothrow) char[kChunkSize]);
  ok = ok && chunk;
  for (unsigned long left = static_cast<unsigned long>(size); ok && left > 0;) {
    const unsigned long piece = left < kChunkSize ? left : kChunkSize;
    ok = std::fread(chunk.get(), 1, piece, file) == piece && saver.SaveDataToFile(chunk.get(), piece);
    left -= piece;
  }
  std::fclose(file);
  return ok;
}

// The text cut to fit buffer with its terminator; the rest of buffer is zero.
template <std::size_t N>
void PutText(char (&buffer)[N], const char* text) {
  std::memset(buffer, 0, N);
  std::memcpy(buffer, text, strnlen(text, N - 1));
}

bool IsRelativePath(const char* path) {
  if (path[0] == '/' || path[0] == '\\') return false;
  const bool drive = ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')) && path[1] == ':';
  return !drive;
}

}  // namespace

bool Kv_DX8_MediaTexture::SaveChannel(HxFileSaver& saver) {
  if (!Hx_Channel::SaveChannel(saver)) return false;

  // The buffers are writable through their getters: never read past them.
  const std::string file(fileName, strnlen(fileName, sizeof fileName));
  char savedName[260];
  PutText(savedName, truncatedFileName);
  Hx_ChannelGroup* group = GetChannelGroup();
  if (!includeMediaFile && group && group->GetSourcePath()) {
    FilePathFind find;
    find.SetSourcePath(group->GetSourcePath());
    PutText(savedName, find.GetValidRelativeDir(file.c_str()));
  }

  const std::int32_t type = mediaType;
  const float start = player->GetStartPosition();
  const float end = player->GetEndPosition();
  const std::int32_t captureIndex = player->GetSelectedCaptureDevice();
  bool ok = saver.SaveTag("MTFN") && SaveBlock(saver, savedName, kSavedNameSize) && saver.SaveTag("MTUR") &&
            SaveBlock(saver, mediaUrl, sizeof mediaUrl) && SaveValue(saver, "MTNS", player->GetNoSound()) &&
            SaveValue(saver, "MTPL", player->GetPlayLoad()) && SaveValue(saver, "MTEX", includeMediaFile) &&
            saver.SaveTag("MTMC") && SaveBlock(saver, &type, 4) && SaveBlock(saver, &start, 4) &&
            SaveBlock(saver, &end, 4) && SaveBlock(saver, &captureIndex, 4) && SaveValue(saver, "MTPR", playbackRate);
  if (!ok) return false;  // the saver failed: what it holds must not be used

  if (mediaType != eMediaFile || !includeMediaFile) return true;
  return saver.SaveTag("MTMF") && SaveFileBlock(saver, file.c_str());
}

bool Kv_DX8_MediaTexture::LoadChannel(HxFileLoader& loader, Hx_ChannelGroup* group) {
  if (!Hx_Channel::LoadChannel(loader, group)) return false;

  char name[260] = {};
  if (loader.GetInfoIfTag("MTFN")) {
    LoadText(loader, name);
  } else if (engine) {
    engine->errorMessage("Kv_DX8_MediaTexture: MTFN not found");
  }
  if (loader.GetInfoIfTag("MTUR")) LoadText(loader, mediaUrl);

  bool flag = false;
  if (LoadValue(loader, "MTNS", flag)) player->SetNoSound(flag);
  if (LoadValue(loader, "MTPL", flag)) player->SetPlayLoad(flag);
  LoadValue(loader, "MTEX", includeMediaFile);

  if (loader.GetInfoIfTag("MTMC")) {
    std::int32_t type = 0, captureIndex = 0;
    float start = 0.0f, end = 0.0f;
    if (LoadNextValue(loader, type)) mediaType = static_cast<eMediaType>(type);
    if (LoadNextValue(loader, start)) player->SetStartPosition(start, false);
    if (LoadNextValue(loader, end)) player->SetEndPosition(end, false);
    if (LoadNextValue(loader, captureIndex)) player->SelectCaptureDevice(captureIndex);
  } else if (engine) {
    engine->errorMessage("Kv_DX8_MediaTexture: MTMC not found");
  }

  if (LoadValue(loader, "MTPR", playbackRate)) player->SetRate(playbackRate);

  bool extracted = false;
  if (loader.GetInfoIfTag("MTMF")) {
    extracted = ExtractMediaFile(loader, name);
    includeMediaFile = true;
  }

  if (mediaType != eMediaFile) {
    LoadTextureFromFile(mediaUrl);
    return true;
  }
  // A name saved relative to the project's folder is found in the folder it was loaded from,
  // which may have moved since it was saved.
  std::string source = name;
  if (!extracted && *name && IsRelativePath(name) && group && group->GetSourcePath() && *group->GetSourcePath())
    source = std::string(group->GetSourcePath()) + "/" + name;
  LoadTextureFromFile(source.data());
  return true;
}

bool Kv_DX8_MediaTexture::ExtractMediaFile(HxFileLoader& loader, char (&name)[260]) {
  std::vector<char> bytes;
  try {
    bytes.resize(loader.GetSizeDataBlock(false));
  } catch (const std::bad_alloc&) {
    loader.GetSizeDataBlock(true);
    return false;
  }
  loader.CopyTagDataToPointer(bytes.data());
  if (bytes.empty()) return false;

  // Only the last component of the saved name is used, so a saved name can never place the
  // file outside the cache folder.
  const char* bare = name;
  for (const char* c = name; *c; ++c)
    if (*c == '\\' || *c == '/') bare = c + 1;
  std::string folder = engine ? engine->GetApplicationDirectory() : "";
  folder = folder.empty() ? "cache" : folder + "/cache";
  const std::string path = folder + "/movies/" + bare;
  if (!*bare || std::strcmp(bare, ".") == 0 || std::strcmp(bare, "..") == 0 || path.size() >= sizeof name) {
    // Nothing is written, and nothing is opened in place of the embedded file.
    name[0] = 0;
    if (engine) engine->errorMessage("Error loading texture");
    return false;
  }

  CreateDirectoryA(folder.c_str(), nullptr);  // failures are ignored: the folders may exist
  CreateDirectoryA((folder + "/movies").c_str(), nullptr);
  HxFileSaver file;
  if (file.OpenSaveFile(path.c_str(), false)) {
    file.SaveDataToFile(bytes.data(), static_cast<unsigned long>(bytes.size()));
    file.CloseSaveFile();
  }
  std::memset(name, 0, sizeof name);
  std::memcpy(name, path.c_str(), path.size());
  return true;
}
