// A loopback TCP relay for the latency benchmark: it listens on a port of its own, passes every
// connection on to the server's port, delays each direction by a set time (half a round trip
// each way), and counts turns: a turn is the server answering after the client sent something,
// however many packets either side sent meanwhile. No root and no network namespaces needed.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace bench {

class LatencyRelay {
 public:
  // Relays 127.0.0.1:Port() to 127.0.0.1:`server_port`.
  explicit LatencyRelay(int server_port);
  ~LatencyRelay();
  LatencyRelay(const LatencyRelay&) = delete;
  LatencyRelay& operator=(const LatencyRelay&) = delete;

  int Port() const { return port_; }
  // The round trip the relay adds, in milliseconds (half of it each way); 0 passes bytes at once.
  void SetRoundTrip(int milliseconds) { round_trip_ms_ = milliseconds; }
  long long Turns() const { return turns_; }
  long long BytesToClient() const { return bytes_to_client_; }
  void ResetCounts();

 private:
  struct Link;
  void Accept();
  void Pump(Link& link, bool to_server);

  int listener_ = -1;
  int port_ = 0;
  int server_port_;
  std::atomic<int> round_trip_ms_{0};
  std::atomic<long long> turns_{0};
  std::atomic<long long> bytes_to_client_{0};
  // The side that sent last, over all connections: 0 none, 1 client, 2 server.
  std::atomic<int> last_sender_{0};
  std::atomic<bool> stopping_{false};
  std::thread acceptor_;
  std::mutex links_mutex_;
  std::vector<std::unique_ptr<Link>> links_;
};

}  // namespace bench
