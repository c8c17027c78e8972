#pragma once
// A small HTTP/1.1 file server on 127.0.0.1 for tests that open media by URL. It serves the
// files of one folder with GET, honours "Range: bytes=N-" and "bytes=N-M" (the client seeks
// that way), closes each connection after one response, and stops in its destructor: every
// socket is shut down and every thread joined, so a test never leaves a thread behind.

#include <atomic>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class LoopbackHttpServer {
 public:
  explicit LoopbackHttpServer(std::filesystem::path root);
  LoopbackHttpServer(const LoopbackHttpServer&) = delete;
  LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;
  ~LoopbackHttpServer();

  // "http://127.0.0.1:<port>/<name>"
  std::string Url(const std::string& name) const;
  // Responses sent so far whose status was 200 or 206.
  int FilesServed() const { return filesServed_.load(); }

 private:
  void AcceptLoop();
  void Serve(int connection);

  std::filesystem::path root_;
  int listener_ = -1;
  int wake_[2] = {-1, -1};
  int port_ = 0;
  std::atomic<int> filesServed_{0};
  std::mutex mutex_;
  std::vector<int> connections_;
  std::vector<std::thread> workers_;
  std::thread acceptor_;
};
