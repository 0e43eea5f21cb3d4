#include "bench/latency_relay.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <string>

namespace bench {

using Clock = std::chrono::steady_clock;

// One direction's bytes in flight: what was read, and when it may be written on.
struct Chunk {
  Clock::time_point due;
  std::string bytes;  // empty: the sender closed its side
};

struct LatencyRelay::Link {
  int client = -1;
  int server = -1;
  struct Direction {
    std::mutex mutex;
    std::condition_variable ready;
    std::deque<Chunk> chunks;
  } to_server, to_client;
  std::vector<std::thread> threads;
};

namespace {

[[noreturn]] void Die(const char* what) {
  std::perror(what);
  std::exit(2);
}

void NoDelay(int socket) {
  int on = 1;
  setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

bool WriteAll(int socket, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t written = send(socket, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (written <= 0) return false;
    done += static_cast<std::size_t>(written);
  }
  return true;
}

}  // namespace

LatencyRelay::LatencyRelay(int server_port) : server_port_(server_port) {
  listener_ = socket(AF_INET, SOCK_STREAM, 0);
  if (listener_ < 0) Die("relay socket");
  int on = 1;
  setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) Die("relay bind");
  if (listen(listener_, 16) != 0) Die("relay listen");
  socklen_t length = sizeof address;
  getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
  port_ = ntohs(address.sin_port);
  acceptor_ = std::thread([this] { Accept(); });
}

LatencyRelay::~LatencyRelay() {
  stopping_ = true;
  shutdown(listener_, SHUT_RDWR);
  close(listener_);
  acceptor_.join();
  std::lock_guard<std::mutex> lock(links_mutex_);
  for (auto& link : links_) {
    shutdown(link->client, SHUT_RDWR);
    shutdown(link->server, SHUT_RDWR);
    for (auto* direction : {&link->to_server, &link->to_client}) {
      std::lock_guard<std::mutex> queue_lock(direction->mutex);
      direction->chunks.push_back({Clock::now(), std::string()});
      direction->ready.notify_all();
    }
    for (std::thread& thread : link->threads) thread.join();
    close(link->client);
    close(link->server);
  }
}

void LatencyRelay::ResetCounts() {
  turns_ = 0;
  bytes_to_client_ = 0;
  last_sender_ = 0;
}

void LatencyRelay::Accept() {
  while (!stopping_) {
    const int client = accept(listener_, nullptr, nullptr);
    if (client < 0) return;
    const int server = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(server_port_));
    if (server < 0 || connect(server, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
      close(client);
      if (server >= 0) close(server);
      continue;
    }
    NoDelay(client);
    NoDelay(server);
    auto link = std::make_unique<Link>();
    link->client = client;
    link->server = server;
    Link& ref = *link;
    link->threads.emplace_back([this, &ref] { Pump(ref, true); });
    link->threads.emplace_back([this, &ref] { Pump(ref, false); });
    std::lock_guard<std::mutex> lock(links_mutex_);
    links_.push_back(std::move(link));
  }
}

// Reads one direction and hands what it read to a writer that holds it back for half the round
// trip; the order of the bytes is kept.
void LatencyRelay::Pump(Link& link, bool to_server) {
  const int from = to_server ? link.client : link.server;
  const int to = to_server ? link.server : link.client;
  Link::Direction& direction = to_server ? link.to_server : link.to_client;
  std::thread writer([&direction, to] {
    for (;;) {
      Chunk chunk;
      {
        std::unique_lock<std::mutex> lock(direction.mutex);
        direction.ready.wait(lock, [&] { return !direction.chunks.empty(); });
        chunk = std::move(direction.chunks.front());
        direction.chunks.pop_front();
      }
      if (chunk.bytes.empty()) {
        shutdown(to, SHUT_WR);
        return;
      }
      std::this_thread::sleep_until(chunk.due);
      if (!WriteAll(to, chunk.bytes)) return;
    }
  });
  char buffer[65536];
  for (;;) {
    const ssize_t got = recv(from, buffer, sizeof buffer, 0);
    const Clock::time_point now = Clock::now();
    if (got > 0) {
      if (to_server) {
        last_sender_ = 1;
      } else {
        bytes_to_client_ += got;
        if (last_sender_.exchange(2) == 1) ++turns_;
      }
    }
    Chunk chunk{now + std::chrono::microseconds(round_trip_ms_ * 500),
                got > 0 ? std::string(buffer, static_cast<std::size_t>(got)) : std::string()};
    {
      std::lock_guard<std::mutex> lock(direction.mutex);
      direction.chunks.push_back(std::move(chunk));
    }
    direction.ready.notify_all();
    if (got <= 0) break;
  }
  writer.join();
}

}  // namespace bench
