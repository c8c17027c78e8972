#include "tests/platform/dshow_ffmpeg/loopback_http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <stdexcept>

namespace {

bool SendAll(int socket, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t sent = send(socket, data, size, MSG_NOSIGNAL);
    if (sent <= 0) return false;
    data += sent;
    size -= static_cast<std::size_t>(sent);
  }
  return true;
}

// The request head, up to the blank line; empty when the peer closed or sent too much.
std::string ReadRequestHead(int socket) {
  std::string head;
  char buffer[1024];
  while (head.find("\r\n\r\n") == std::string::npos) {
    if (head.size() > 16384) return {};
    const ssize_t received = recv(socket, buffer, sizeof buffer, 0);
    if (received <= 0) return {};
    head.append(buffer, static_cast<std::size_t>(received));
  }
  return head;
}

std::string HeaderValue(const std::string& head, const std::string& name) {
  std::string lower = head;
  std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) {
    return static_cast<char>(std::tolower(c));
  });
  const std::size_t at = lower.find("\r\n" + name + ":");
  if (at == std::string::npos) return {};
  std::size_t start = at + name.size() + 3;
  while (start < head.size() && head[start] == ' ') ++start;
  return head.substr(start, head.find("\r\n", start) - start);
}

}  // namespace

LoopbackHttpServer::LoopbackHttpServer(std::filesystem::path root) : root_(std::move(root)) {
  listener_ = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  socklen_t length = sizeof address;
  if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) ||
      listen(listener_, 16) ||
      getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) || pipe(wake_))
    throw std::runtime_error("loopback server: cannot listen");
  port_ = ntohs(address.sin_port);
  acceptor_ = std::thread([this] { AcceptLoop(); });
}

LoopbackHttpServer::~LoopbackHttpServer() {
  const char stop = 1;
  (void)!write(wake_[1], &stop, 1);
  acceptor_.join();
  {
    std::lock_guard lock(mutex_);
    for (int connection : connections_) shutdown(connection, SHUT_RDWR);
  }
  for (std::thread& worker : workers_) worker.join();
  close(listener_);
  close(wake_[0]);
  close(wake_[1]);
}

std::string LoopbackHttpServer::Url(const std::string& name) const {
  return "http://127.0.0.1:" + std::to_string(port_) + "/" + name;
}

void LoopbackHttpServer::AcceptLoop() {
  for (;;) {
    pollfd waits[2] = {{listener_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
    if (poll(waits, 2, -1) < 0) continue;
    if (waits[1].revents) return;
    const int connection = accept(listener_, nullptr, nullptr);
    if (connection < 0) continue;
    std::lock_guard lock(mutex_);
    connections_.push_back(connection);
    workers_.emplace_back([this, connection] { Serve(connection); });
  }
}

void LoopbackHttpServer::Serve(int connection) {
  const std::string head = ReadRequestHead(connection);
  std::string name;
  if (head.rfind("GET /", 0) == 0) name = head.substr(5, head.find(' ', 5) - 5);
  std::ifstream file;
  if (!name.empty() && name.find("..") == std::string::npos)
    file.open(root_ / name, std::ios::binary);
  std::string response;
  if (!file) {
    response = "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
    SendAll(connection, response.data(), response.size());
  } else {
    file.seekg(0, std::ios::end);
    const long long size = file.tellg();
    long long first = 0, last = size - 1;
    const std::string range = HeaderValue(head, "range");
    const bool partial = range.rfind("bytes=", 0) == 0;
    if (partial) std::sscanf(range.c_str(), "bytes=%lld-%lld", &first, &last);
    last = std::min(last, size - 1);
    if (first > last) {
      response = "HTTP/1.1 416 Range Not Satisfiable\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
      SendAll(connection, response.data(), response.size());
    } else {
      const long long count = std::max(0LL, last - first + 1);
      response = partial ? "HTTP/1.1 206 Partial Content\r\n" : "HTTP/1.1 200 OK\r\n";
      response += "Content-Type: application/octet-stream\r\nAccept-Ranges: bytes\r\n";
      response += "Content-Length: " + std::to_string(count) + "\r\n";
      if (partial)
        response += "Content-Range: bytes " + std::to_string(first) + "-" +
                    std::to_string(first + count - 1) + "/" + std::to_string(size) + "\r\n";
      response += "Connection: close\r\n\r\n";
      std::string body(static_cast<std::size_t>(count), '\0');
      file.seekg(first);
      file.read(body.data(), count);
      ++filesServed_;
      if (SendAll(connection, response.data(), response.size()))
        SendAll(connection, body.data(), body.size());
    }
  }
  std::lock_guard lock(mutex_);
  shutdown(connection, SHUT_RDWR);
  close(connection);
  connections_.erase(std::find(connections_.begin(), connections_.end(), connection));
}
