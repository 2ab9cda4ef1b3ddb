#pragma once

#include <cstddef>
#include <cstdint>
#include <queue>
#include <string>
#include <vector>

#include "core/Manager.h"

namespace vx {

const std::string DEFAULT_NETWORK_PORT = "9876";

// Largest message genDataEvents accepts, its 4-byte length included. Kept
// below the socket receive buffer so a whole message can wait there.
const int MAX_MESSAGE_SIZE = 64 * 1024;

// Most bytes a socket may hold unsent: send refuses a message that would
// pass it, and the connection stays.
const int MAX_PENDING_OUTPUT = 4 * 1024 * 1024;

// A socket whose unsent bytes find no room for this long is closed.
const int MAX_SEND_STALL_MS = 5000;

// connect gives up on a host that has not answered within this time.
const int CONNECT_TIMEOUT_MS = 5000;

// shutDown waits at most this long for closed sockets' unsent bytes.
const int SHUTDOWN_SEND_WAIT_MS = 2000;

// A message waiting for its step.
struct DelayedMessage {
  int send_step;       // step count at or after which it is sent
  char *copy_buffer;   // heap copy (malloc), owned until sent or discarded
  int bytes;
};

// Bytes already due that a socket could not take yet; they go out first, in
// order, in later steps.
struct Output {
  std::vector<char> out;     // unsent bytes from out_at on
  size_t out_at = 0;
  int64_t last_taken_us = 0; // when the socket last took bytes (or when they began to wait)
  size_t pending() const { return out.size() - out_at; }
};

// Where the bytes that went out on a socket stand in the message framing,
// so that a message no peer of this engine reads is told of when it starts.
struct OutgoingFrames {
  char head[4] = {};
  int head_bytes = 0;        // bytes of the next length field seen so far
  int64_t body_left = 0;     // bytes of the current message still to come
  bool out_of_step = false;  // a bad length was sent: no further checks
};

// One socket's outgoing side.
struct SendQueue {
  std::queue<DelayedMessage> delayed;
  Output output;
  OutgoingFrames frames;
  size_t pending() const { return output.pending(); }
};

// A socket that was closed with bytes still on their way: it has left the
// lists, and its descriptor stays open until the peer has acknowledged them.
struct ClosedSocket {
  int sock;
  Output output;
  int last_unacked;  // bytes the system held unacknowledged at the last look
};

// TCP server or client. Connected sockets are kept in a list; the position
// in the list is the socket index used by every operation (-1: all sockets,
// where an operation says so).
class NetworkManager : public Manager {
 private:
  NetworkManager();
  NetworkManager(const NetworkManager &) = delete;
  void operator=(const NetworkManager &) = delete;

  int m_server_sock;                            // listening socket, -1 if none
  int m_max_connections;                        // most sockets accept admits
  std::vector<int> m_sock;                      // connected OS sockets
  std::vector<int> m_delay;                     // per socket, send delay (steps)
  std::vector<SendQueue> m_queue;               // per socket, delayed and unsent output
  std::vector<ClosedSocket> m_closed;           // closed, unsent bytes still going out

  int addSocket(int sock);
  void removeSocket(int sock_index);
  // Closes one socket or all (-1). discard drops unsent bytes and resets the
  // connection; otherwise they keep going out after the socket has left
  // the lists.
  int closeSockets(int sock_index, bool discard);
  // Sends what the socket takes of its unsent bytes. 0, or -1 when the
  // socket failed or stalled and was closed.
  int flushOutput(int sock_index);
  // Keeps bytes for a later step. 0, or -1 (refused; the socket is closed
  // when started says part of the message is out).
  int holdOutput(int sock_index, const char *p, int bytes, bool started);
  // Refuses (-1, with a line) a message that would take the socket's unsent
  // bytes past the cap; 0 when it fits.
  int checkRoom(int sock_index, int bytes) const;
  // Follows the framing of bytes going out; tells of a bad length once.
  void followFrames(int sock_index, const char *p, int bytes);
  // One round for a closed socket: 0 while bytes are on their way, 1 when
  // the peer has them all (the descriptor is then for the caller to close),
  // -1 when it was given up (descriptor closed, line logged).
  int drainClosed(ClosedSocket &c, const char *p_op);
  // One round for every closed socket.
  void drainAllClosed(const char *p_op);

 public:
  ~NetworkManager() override;
  static NetworkManager &getInstance();

  bool isValid(std::string event_type) const override;
  // isValid without the log line: one of the eight network event types.
  bool takes(const std::string &event_type) const;
  int startUp() override;
  void shutDown() override;

  // true: listen on port (non-blocking); false: stop listening.
  int setServer(bool is_server, std::string port = DEFAULT_NETWORK_PORT);
  bool isServer() const;

  // Socket index of a new client, -1 when none was taken, -2 on error.
  int accept();
  // Socket index of the new connection, or -1.
  int connect(std::string host, std::string port = DEFAULT_NETWORK_PORT);
  // Closes one socket, or every socket for -1. 0, or -1 on failure.
  int close(int sock_index);

  bool isConnected(int sock_index) const;
  int getSocket(int sock_index) const;
  int getNumConnections() const;
  int getMaxConnections() const;
  void setMaxConnections(int max_connections);
  // True while closed sockets still have bytes on their way (sendDelayed
  // sends them).
  bool isDraining() const;

  // Termination signal handler body: shuts the engine down and exits.
  [[noreturn]] void cleanUp(int signal);

  // Sends or queues on one socket or on all (-1). 0, or minus the failures.
  int send(const void *buffer, int bytes, int sock_index);
  // Sends unsent bytes and every queued message that is due, and what
  // closed sockets still have to send. Sum of the send results of the
  // connected sockets.
  int sendDelayed();
  // One send on one socket without waiting: what the socket cannot take now
  // goes out in later steps. 0 sent or on its way, -1 refused or closed.
  int sendNow(const void *buffer, int bytes, int sock_index);
  // Send delay in steps of one socket, or of all (-1).
  int setDelay(int delay, int sock_index);
  // Bytes read, 0 when the peer closed, -1 on error.
  int receive(void *buffer, int bytes, bool peek, int sock_index);
  // Bytes waiting on the socket, or -1.
  int isData(int sock_index) const;

  // Test use only: appends an already connected descriptor to the lists
  // (delay 0, empty queue) without an event. Returns its index.
  int adoptSocket(int fd);
};

// Delivers at most one whole waiting message on a socket as a DATA event.
// 1 delivered, 0 no whole message waiting, -1 on error (a bad length, or a
// peer that left without a whole message waiting, closes the socket).
int genDataEvents(int sock_index);

// Logs "\t<code> - <system text>" for an error code.
void logSocketError(int code);

} // namespace vx
