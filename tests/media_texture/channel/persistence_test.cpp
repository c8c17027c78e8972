// Saving and loading the media texture: the saved bytes tag by tag, the embedded media file and
// its extraction into the cache folder, missing and hostile blocks, and a whole application
// saved and loaded into a fresh host.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "host/file_loader.h"
#include "host/file_saver.h"
#include "host/tagged_format.h"
#include "platform/d3d8/texture_readback.h"
#include "tests/media_texture/channel/media_scene.h"

namespace {

using namespace media_scene;
using MT = Kv_DX8_MediaTexture;
using Bytes = std::vector<std::uint8_t>;

// The records of tagged data as they are, for checking the saved bytes.
struct Tag {
  std::string name;
  std::vector<Bytes> blocks;
};

std::vector<Tag> ParseTags(const Bytes& data) {
  std::vector<Tag> tags;
  for (std::size_t at = 0; at < data.size();) {
    if (data[at] == tagged_format::kTagRecord && at + 5 <= data.size()) {
      tags.push_back({std::string(data.begin() + at + 1, data.begin() + at + 5), {}});
      at += 5;
    } else if (data[at] == tagged_format::kBlockRecord && at + 5 <= data.size() && !tags.empty()) {
      const std::uint32_t size = tagged_format::GetU32(&data[at + 1]);
      if (at + 5 + size > data.size()) break;
      tags.back().blocks.emplace_back(data.begin() + at + 5, data.begin() + at + 5 + size);
      at += 5 + size;
    } else {
      ADD_FAILURE() << "malformed tagged data at " << at;
      break;
    }
  }
  return tags;
}

std::vector<std::string> TagNames(const std::vector<Tag>& tags) {
  std::vector<std::string> names;
  for (const Tag& t : tags) names.push_back(t.name);
  return names;
}

template <class T>
T As(const Bytes& block) {
  T value{};
  EXPECT_EQ(block.size(), sizeof value);
  std::memcpy(&value, block.data(), std::min(block.size(), sizeof value));
  return value;
}

std::string Text(const Bytes& block) { return std::string(reinterpret_cast<const char*>(block.data())); }

const std::vector<std::string> kAllTags = {"HXIT", "MTFN", "MTUR", "MTNS", "MTPL", "MTEX", "MTMC", "MTPR"};

std::vector<std::string> WithMediaFile() {
  std::vector<std::string> names = kAllTags;
  names.push_back("MTMF");
  return names;
}

// Tagged data written by hand, for missing and hostile blocks.
class Data {
 public:
  Data& TagWith(const char* tag, std::initializer_list<Bytes> blocks) {
    saver_.SaveTag(tag);
    for (const Bytes& b : blocks) saver_.SaveBlockSize(b.size()), saver_.SaveDataToFile(b.data(), b.size());
    return *this;
  }
  template <class T>
  static Bytes Of(const T& value) {
    Bytes b(sizeof value);
    std::memcpy(b.data(), &value, sizeof value);
    return b;
  }
  static Bytes OfText(const std::string& text, std::size_t size) {
    Bytes b(size, 0);
    std::memcpy(b.data(), text.data(), std::min(text.size(), size));
    return b;
  }
  HxFileLoader Loader() const { return HxFileLoader(saver_.GetData()); }

 private:
  HxFileSaver saver_;
};

Bytes Save(MT* channel, bool* result = nullptr) {
  HxFileSaver saver;
  const bool ok = channel->SaveChannel(saver);
  if (result) *result = ok;
  return saver.GetData();
}

TEST(MediaTexturePersistence, AFileChannelEmbedsItsFile) {
  TempFolder folder;
  Scene s;
  const fs::path clip = folder.PutClip("media/clip.avi");
  ASSERT_TRUE(s.Open(clip));
  s.channel->SetStartPosition(250.0f);
  s.channel->SetPlaybackRate(1.5f);
  s.channel->SetPlayLoad(false);
  bool ok = false;
  const std::vector<Tag> tags = ParseTags(Save(s.channel, &ok));
  EXPECT_TRUE(ok);
  ASSERT_EQ(TagNames(tags), WithMediaFile());
  const Tag& name = tags[1];
  ASSERT_EQ(name.blocks.size(), 1u);
  EXPECT_EQ(name.blocks[0].size(), 259u);
  EXPECT_EQ(Text(name.blocks[0]), "clip.avi");
  ASSERT_EQ(tags[2].blocks.size(), 1u);
  EXPECT_EQ(tags[2].blocks[0].size(), 1024u);
  EXPECT_EQ(Text(tags[2].blocks[0]), "http://");
  EXPECT_EQ(tags[3].blocks, std::vector<Bytes>{Bytes{0}});  // no sound: off
  EXPECT_EQ(tags[4].blocks, std::vector<Bytes>{Bytes{0}});  // play on load: off
  EXPECT_EQ(tags[5].blocks, std::vector<Bytes>{Bytes{1}});  // include the file
  const Tag& settings = tags[6];
  ASSERT_EQ(settings.blocks.size(), 4u);
  EXPECT_EQ(As<std::int32_t>(settings.blocks[0]), MT::eMediaFile);
  EXPECT_EQ(As<float>(settings.blocks[1]), 250.0f);
  EXPECT_EQ(As<float>(settings.blocks[2]), s.channel->GetDuration());
  EXPECT_EQ(As<std::int32_t>(settings.blocks[3]), -1);
  EXPECT_EQ(As<float>(tags[7].blocks.at(0)), 1.5f);
  ASSERT_EQ(tags[8].blocks.size(), 1u);
  EXPECT_EQ(tags[8].blocks[0], ClipBytes());

  // When the base cannot write its own data, nothing of ours is written.
  HxFileSaver failing;
  failing.SetByteLimit(0);
  EXPECT_FALSE(s.channel->SaveChannel(failing));
  EXPECT_TRUE(failing.GetData().empty());
}

TEST(MediaTexturePersistence, WithoutTheFileTheNameIsRelativeToTheGroup) {
  TempFolder folder;
  Scene s;
  ASSERT_TRUE(s.Open(folder.PutClip("media/clip.avi")));
  s.channel->SetIncludeMediaFile(false);
  // The group has no source path yet: the bare name.
  std::vector<Tag> tags = ParseTags(Save(s.channel));
  EXPECT_EQ(TagNames(tags), kAllTags);
  EXPECT_EQ(Text(tags[1].blocks.at(0)), "clip.avi");
  EXPECT_EQ(tags[5].blocks, std::vector<Bytes>{Bytes{0}});
  s.engine.GetGroup().SetSourcePath(folder.Path().string().c_str());
  tags = ParseTags(Save(s.channel));
  EXPECT_EQ(TagNames(tags), kAllTags);
  EXPECT_EQ(Text(tags[1].blocks.at(0)), "media/clip.avi");
}

TEST(MediaTexturePersistence, UrlAndCaptureChannelsNeverEmbedAFile) {
  Scene s;
  std::strcpy(s.channel->GetFileName(), "/somewhere/clip.avi");
  std::strcpy(s.channel->GetMediaURL(), "http://127.0.0.1:1/clip.mp4");
  s.channel->SetMediaType(MT::eMediaURL);
  std::vector<Tag> tags = ParseTags(Save(s.channel));
  EXPECT_EQ(TagNames(tags), kAllTags);
  EXPECT_EQ(Text(tags[2].blocks.at(0)), "http://127.0.0.1:1/clip.mp4");
  EXPECT_EQ(As<std::int32_t>(tags[6].blocks.at(0)), MT::eMediaURL);

  s.channel->SetMediaType(MT::eMediaCapture);
  s.channel->SelectCaptureDeviceByIndex(3);
  tags = ParseTags(Save(s.channel));
  EXPECT_EQ(TagNames(tags), kAllTags);
  EXPECT_EQ(As<std::int32_t>(tags[6].blocks.at(0)), MT::eMediaCapture);
  EXPECT_EQ(As<std::int32_t>(tags[6].blocks.at(3)), 3);
}

TEST(MediaTexturePersistence, AVanishedFileLeavesAnEmptyBlockAndFalse) {
  TempFolder folder;
  Bytes saved;
  {
    Scene s;
    const fs::path clip = folder.PutClip("clip.avi");
    ASSERT_TRUE(s.Open(clip));
    fs::remove(clip);
    bool ok = true;
    saved = Save(s.channel, &ok);
    EXPECT_FALSE(ok);
    const std::vector<Tag> tags = ParseTags(saved);
    ASSERT_EQ(TagNames(tags), WithMediaFile());
    EXPECT_EQ(tags[8].blocks, std::vector<Bytes>{Bytes{}});
  }
  // Loading it makes no folder; the channel keeps embedding.
  const fs::path app = folder.Path() / "app";
  fs::create_directories(app);
  Scene s(app.string());
  s.channel->SetIncludeMediaFile(false);
  HxFileLoader loader(saved);
  EXPECT_TRUE(s.channel->LoadChannel(loader, &s.engine.GetGroup()));
  EXPECT_FALSE(fs::exists(app / "cache"));
  EXPECT_TRUE(s.channel->GetIsIncludeMediaFile());
}

TEST(MediaTexturePersistence, TheFileIsWrittenInChunksOf64KiB) {
  TempFolder folder;
  // Each SaveDataToFile call is taken whole or refused, so a saver allowed k bytes of the file
  // shows where the chunks end by what it kept.
  struct Case {
    std::size_t fileSize, allowed, kept;
    bool result;
  } cases[] = {{65536, 65536, 65536, true},  {65536, 65535, 0, false}, {65537, 65536, 65536, false},
               {65537, 65537, 65537, true},  {200000, 131072, 131072, false}, {200000, 131071, 65536, false}};
  for (const Case& c : cases) {
    Scene s;
    const fs::path file = folder.Path() / ("data" + std::to_string(c.fileSize));
    Bytes content(c.fileSize);
    for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    WriteAll(file, content);
    std::strcpy(s.channel->GetFileName(), file.string().c_str());
    const std::size_t whole = Save(s.channel).size();
    const std::size_t before = whole - c.fileSize;  // everything up to the file's bytes
    HxFileSaver saver;
    saver.SetByteLimit(before + c.allowed);
    EXPECT_EQ(s.channel->SaveChannel(saver), c.result) << c.fileSize << " " << c.allowed;
    ASSERT_EQ(saver.GetData().size(), before + c.kept) << c.fileSize << " " << c.allowed;
    EXPECT_TRUE(std::equal(content.begin(), content.begin() + static_cast<std::ptrdiff_t>(c.kept),
                           saver.GetData().begin() + static_cast<std::ptrdiff_t>(before)));
  }
}

TEST(MediaTexturePersistence, LoadingExtractsTheFileIntoTheCacheAndSavesItAgain) {
  TempFolder folder;
  Bytes saved;
  {
    Scene s;
    ASSERT_TRUE(s.Open(folder.PutClip("media/clip.avi")));
    s.channel->SetLoopingEnabled(false);
    saved = Save(s.channel);
  }
  const fs::path app = folder.Path() / "app";
  fs::create_directories(app / "cache");  // one of the folders already exists
  Scene s(app.string());
  HxFileLoader loader(saved);
  ASSERT_TRUE(s.channel->LoadChannel(loader, &s.engine.GetGroup()));
  const fs::path extracted = app / "cache" / "movies" / "clip.avi";
  EXPECT_EQ(ReadAll(extracted), ClipBytes());
  EXPECT_EQ(s.channel->GetFileName(), extracted.string());
  EXPECT_STREQ(s.channel->GetTruncatedFileName(), "clip.avi");
  EXPECT_TRUE(s.channel->GetIsRenderReady());
  EXPECT_TRUE(s.Errors().empty());

  const std::vector<Tag> again = ParseTags(Save(s.channel));
  ASSERT_EQ(TagNames(again), WithMediaFile());
  EXPECT_EQ(Text(again[1].blocks.at(0)), "clip.avi");
  EXPECT_EQ(again[8].blocks.at(0), ClipBytes());
}

TEST(MediaTexturePersistence, MissingTagsAreReportedAndKeepTheSettings) {
  Scene s;
  s.channel->SetMediaType(MT::eMediaURL);
  s.channel->SetPlayLoad(false);
  s.channel->SelectCaptureDeviceByIndex(2);
  HxFileLoader loader = Data()
                            .TagWith("MTUR", {Data::OfText("http://", 1024)})
                            .TagWith("MTPL", {Bytes{1}})
                            .TagWith("MTPR", {Data::Of(0.5f)})
                            .Loader();
  EXPECT_TRUE(s.channel->LoadChannel(loader, &s.engine.GetGroup()));
  EXPECT_EQ(s.Errors(), (std::vector<std::string>{"Kv_DX8_MediaTexture: MTFN not found",
                                                  "Kv_DX8_MediaTexture: MTMC not found"}));
  EXPECT_EQ(s.channel->GetMediaType(), MT::eMediaURL);
  EXPECT_EQ(s.channel->GetSelectedCaptureDeviceIndex(), 2u);
  EXPECT_TRUE(s.channel->GetPlayLoad());
  EXPECT_EQ(s.channel->playbackRate, 0.5f);
  EXPECT_FALSE(s.channel->GetIsRenderReady());  // "http://" opens nothing

  // Data with none of the tags keep every default (and report the two missing tags).
  Scene fresh;
  HxFileLoader empty = Data().Loader();
  EXPECT_TRUE(fresh.channel->LoadChannel(empty, &fresh.engine.GetGroup()));
  EXPECT_STREQ(fresh.channel->GetMediaURL(), "http://");
  EXPECT_EQ(fresh.channel->GetMediaType(), MT::eMediaFile);
  EXPECT_EQ(fresh.channel->playbackRate, 1.0f);
  EXPECT_TRUE(fresh.channel->GetIsIncludeMediaFile());

  // An invalid loader fails the base, and nothing of ours is read.
  const Bytes garbage = {'X', 1, 2};
  HxFileLoader invalid(garbage);
  EXPECT_FALSE(fresh.channel->LoadChannel(invalid, &fresh.engine.GetGroup()));
}

TEST(MediaTexturePersistence, OversizedAndUnterminatedBlocksChangeNothingTheyMustNot) {
  Scene s;
  s.channel->SetMediaType(MT::eMediaURL);
  HxFileLoader loader = Data()
                            .TagWith("MTFN", {Bytes(300, 'n')})
                            .TagWith("MTUR", {Bytes(1025, 'u')})
                            .TagWith("MTEX", {Bytes{0, 0}})
                            .TagWith("MTMC", {Bytes(8, 0), Data::Of(100.0f), Bytes{1}, Data::Of(std::int32_t{4})})
                            .TagWith("MTPR", {Bytes{0, 0}})
                            .Loader();
  EXPECT_TRUE(s.channel->LoadChannel(loader, &s.engine.GetGroup()));
  EXPECT_STREQ(s.channel->GetMediaURL(), "http://");
  EXPECT_TRUE(s.channel->GetIsIncludeMediaFile());
  EXPECT_EQ(s.channel->GetMediaType(), MT::eMediaURL);  // the 8-byte block was passed over
  EXPECT_EQ(s.channel->GetStartPosition(), 100.0f);     // the blocks after it still count
  EXPECT_EQ(s.channel->GetEndPosition(), 0.0f);
  EXPECT_EQ(s.channel->GetSelectedCaptureDeviceIndex(), 4u);
  EXPECT_EQ(s.channel->playbackRate, 1.0f);

  // Blocks that fill their buffers without a terminator are cut at the buffer's last byte. (A
  // capture channel without a device opens nothing, so the URL stays as loaded.)
  Scene t;
  t.channel->SetMediaType(MT::eMediaCapture);
  HxFileLoader unterminated = Data().TagWith("MTFN", {Bytes(260, 'n')}).TagWith("MTUR", {Bytes(1024, 'u')}).Loader();
  EXPECT_TRUE(t.channel->LoadChannel(unterminated, &t.engine.GetGroup()));
  EXPECT_EQ(std::string(t.channel->GetMediaURL()), std::string(1023, 'u'));
}

TEST(MediaTexturePersistence, ExtractionStaysInsideTheCacheFolder) {
  TempFolder folder;
  const fs::path app = folder.Path() / "deep" / "app";
  struct Case {
    std::string name;
    bool written;  // as cache/movies/evil.avi
  } cases[] = {{"..\\..\\evil.avi", true}, {"../../evil.avi", true}, {"/tmp/evil.avi", true},
               {"..", false},              {"a/..", false},          {"", false}};
  for (const Case& c : cases) {
    fs::remove_all(folder.Path() / "deep");
    fs::create_directories(app);
    Scene s(app.string());
    HxFileLoader loader = Data()
                              .TagWith("MTFN", {Data::OfText(c.name, 259)})
                              .TagWith("MTMF", {Bytes{'e', 'v', 'i', 'l'}})
                              .Loader();
    EXPECT_TRUE(s.channel->LoadChannel(loader, &s.engine.GetGroup())) << c.name;
    EXPECT_EQ(fs::exists(app / "cache" / "movies" / "evil.avi"), c.written) << c.name;
    EXPECT_EQ(fs::exists(app / "cache"), c.written) << c.name;
    EXPECT_FALSE(fs::exists(app / "evil.avi")) << c.name;
    EXPECT_FALSE(fs::exists(folder.Path() / "deep" / "evil.avi")) << c.name;
  }
  // A cache path that would not fit in 260 bytes writes nothing.
  const fs::path longApp = folder.Path() / std::string(240, 'd');
  fs::create_directories(longApp);
  Scene s(longApp.string());
  HxFileLoader loader =
      Data().TagWith("MTFN", {Data::OfText("clip.avi", 259)}).TagWith("MTMF", {Bytes{1, 2, 3}}).Loader();
  EXPECT_TRUE(s.channel->LoadChannel(loader, &s.engine.GetGroup()));
  EXPECT_FALSE(fs::exists(longApp / "cache"));
  EXPECT_TRUE(Contains(s.Errors(), "Error loading texture"));
  EXPECT_STREQ(s.channel->GetFileName(), "");
}

// The whole road: an application with a media texture saved to a file and loaded into a fresh
// host, once with the media embedded (played from the cache after the original is gone) and
// once without (found next to the moved project).
TEST(MediaTexturePersistence, AnApplicationLoadedIntoAFreshHostPlaysTheSameMedia) {
  TempFolder folder;
  const fs::path project = folder.Path() / "project";
  float duration = 0.0f;
  {
    Scene s;
    ASSERT_TRUE(s.Open(folder.PutClip("project/media/clip.avi")));
    s.channel->SetPlayLoad(false);
    duration = s.channel->GetDuration();
    MT* linked = s.NewChannel();  // a second one that refers to the file without embedding it
    std::string path = (project / "media" / "clip.avi").string();
    ASSERT_TRUE(linked->LoadTextureFromFile(path.data()));
    linked->SetIncludeMediaFile(false);
    ASSERT_TRUE(s.engine.SaveApplication((project / "scene.cvapp").string().c_str()));
  }
  fs::rename(project, folder.Path() / "moved");  // the project moves, with its media folder

  const fs::path app = folder.Path() / "app";
  fs::create_directories(app);
  Scene s(app.string());
  const std::size_t before = s.engine.GetChannels().size();
  ASSERT_TRUE(s.engine.LoadApplication((folder.Path() / "moved" / "scene.cvapp").string().c_str()));
  ASSERT_EQ(s.engine.GetChannels().size(), before + 2);
  auto* embedded = static_cast<MT*>(s.engine.GetChannels()[before]);
  auto* linked = static_cast<MT*>(s.engine.GetChannels()[before + 1]);
  EXPECT_TRUE(s.Errors().empty());

  EXPECT_EQ(embedded->GetFileName(), (app / "cache" / "movies" / "clip.avi").string());
  EXPECT_EQ(ReadAll(app / "cache" / "movies" / "clip.avi"), ClipBytes());
  EXPECT_EQ(embedded->GetDuration(), duration);
  EXPECT_FALSE(embedded->GetPlayLoad());
  embedded->PausePlayback();
  ASSERT_TRUE(WaitFor([&] { return embedded->player->GetRenderer()->IsFrameReady(); }));
  embedded->SetTexture(0);
  std::vector<std::uint32_t> pixels;
  UINT w = 0, h = 0;
  ASSERT_EQ(ReadTextureArgb(embedded->GetTexture(), &pixels, &w, &h), D3D_OK);
  EXPECT_EQ(pixels, ClipFrameArgb(0));

  EXPECT_EQ(linked->GetFileName(), (folder.Path() / "moved" / "media/clip.avi").string());
  EXPECT_TRUE(linked->GetIsRenderReady());
  EXPECT_FALSE(linked->GetIsIncludeMediaFile());
}

}  // namespace
