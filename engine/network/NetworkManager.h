#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/Manager.h"
#include "network/ClosedSockets.h"
#include "network/Connection.h"
#include "network/MessageFraming.h"
#include "network/SocketError.h"

namespace vx {

const std::string DEFAULT_NETWORK_PORT = "9876";

// A failing accept logs the same failure at most once in this time, then
// how often it came again.
const int ACCEPT_ERROR_LOG_MS = 10000;

// TCP server or client. Connected sockets are kept in a list; the position
// in the list is the socket index used by every operation (-1: all sockets,
// where an operation says so).
class NetworkManager : public Manager {
 private:
  NetworkManager();
  NetworkManager(const NetworkManager &) = delete;
  void operator=(const NetworkManager &) = delete;

  int m_server_sock;                      // listening socket, -1 if none
  int m_max_connections;                  // most sockets accept admits
  std::vector<Connection> m_connections;  // connected sockets, by socket index
  ClosedSockets m_closed;                 // closed, unsent bytes still going out
  int m_most_connections;                 // most sockets listed at once since start-up
  int m_max_pending_output;               // MAX_PENDING_OUTPUT; tests scale it down
  int m_accept_error;                     // the failure last logged (0: none in its time)
  int64_t m_accept_logged_us;             // when it was logged
  uint64_t m_accept_failures;             // the same failure since, not logged

  // Tests hand the manager connected descriptors through it (tests/support).
  friend struct NetworkManagerSeam;
  // Moves the start of a message out of the system (holdInput), and drops
  // a connection that is down (lostOutputText, closeSockets).
  friend int genDataEvents(int sock_index);

  // Logs how often the failure last logged came again since its line, if it did.
  void endAcceptFailures();
  // Stops listening, if listening.
  void closeServerSocket();
  int addSocket(int sock);
  // The list holds the most sockets accept admits.
  bool atMaxConnections() const;
  // Lists a connected descriptor as accept lists a new client (delay 0,
  // empty queue, no event): its index, or -1 with the list unchanged when
  // the descriptor is negative or listed already, or the list is full. For
  // the tests' seam only (inline: only a program that calls it has it).
  int admitSocket(int sock) {
    if (sock < 0 || indexOf(sock) != -1 || atMaxConnections()) return -1;
    return addSocket(sock);
  }
  void removeSocket(int sock_index);
  // Index of the connection of an OS socket, or -1.
  int indexOf(int sock) const;
  // The OS sockets of the connections, in index order.
  std::vector<int> sockets() const;
  // Closes one socket or all (-1). discard drops unsent bytes and resets the
  // connection; otherwise they keep going out after the socket has left
  // the list.
  int closeSockets(int sock_index, bool discard);
  // What a socket whose connection is down loses of its output, for its
  // line: ", " and the bytes discarded, or empty when none were on their way.
  std::string lostOutputText(int sock_index) const;
  // Sends what the socket takes of its unsent bytes. 0, or -1 when the
  // socket failed or stalled and was closed.
  int flushOutput(int sock_index);
  // Keeps bytes for a later step. 0, or -1 (refused; the socket is closed
  // when started says part of the message is out).
  int holdOutput(int sock_index, const char *p, int bytes, bool started);
  // Queues a copy on one socket for the step its delay gives. 0, or -1.
  int sendLater(const void *buffer, int bytes, int sock_index);
  // sendNow; counted: a due message that send counted toward the cap
  // already, so no room check (and no end to a run of refusals).
  int sendOut(const void *buffer, int bytes, int sock_index, bool counted);
  // On the socket with descriptor sock: its unsent bytes, then its messages
  // due at step, in queue order. Sum of the send results.
  int sendDue(int sock, int step);
  // Takes what waits on a connected socket into its held bytes, without
  // waiting, until upto bytes are held. The error code that stopped it (0:
  // none). Throws std::bad_alloc.
  int holdInput(int sock_index, int upto);

 public:
  ~NetworkManager() override;
  static NetworkManager &getInstance();

  bool isValid(std::string event_type) const override;
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
  // Without waiting: bytes read (or peeked), 0 when the peer closed, -1 on
  // error or when nothing waits. Bytes held for a partly arrived message
  // come first.
  int receive(void *buffer, int bytes, bool peek, int sock_index);
  // Bytes waiting on the socket, those held for it included, or -1.
  int isData(int sock_index) const;
};

} // namespace vx
