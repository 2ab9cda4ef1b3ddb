#include "network/NetworkManager.h"

#include <netdb.h>
#include <sys/socket.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#include "core/Config.h"
#include "core/GameManager.h"
#include "core/LogManager.h"
#include "network/EventNetwork.h"
#include "platform/Platform.h"
#include "platform/Socket.h"

namespace vx {

namespace {

// Retries of a call broken by a signal.
const int SEND_MAX_INTERRUPTS = 100;
const int RECV_MAX_INTERRUPTS = 100;

// Most bytes a closed socket's peer may push at it per round; they are read
// and thrown away so that the final close does not reset the connection.
const int CLOSED_DISCARD_BYTES = 1024 * 1024;

// The eight event types this manager takes interests for, in testing order.
const std::string *const NETWORK_TYPES[] = {
    &EVENT_NETWORK,        &EVENT_KEYBOARD_NETWORK, &EVENT_MOUSE_NETWORK,
    &EVENT_NETWORK_CREATE, &EVENT_CUSTOM_NETWORK,   &EVENT_NETWORK_DELETE,
    &EVENT_NETWORK_GAME_OVER, &EVENT_NETWORK_SYNC,
};

void sendNetworkEvent(const NetworkManager &nm, int label, int sock_index) {
  EventNetwork ev(label);
  ev.setSocketIndex(sock_index);
  ev.setBytes(0);
  nm.onEvent(&ev);
}

// A port text of digits only, 1 to 65535.
bool parsePort(const std::string &text, unsigned short *p_port) {
  if (text.empty()) return false;
  long value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
    if (value > 65535) return false;
  }
  if (value < 1) return false;
  *p_port = static_cast<unsigned short>(value);
  return true;
}

// Sends what the socket takes of an output's bytes, without waiting. The
// error code that stopped it (0 when all went or the socket took no more).
int sendOutput(int sock, Output &o) {
  int interrupts = 0;
  while (o.pending() > 0) {
    size_t chunk = o.pending() > size_t(1 << 30) ? size_t(1 << 30) : o.pending();
    int n = platform::socketSend(sock, o.out.data() + o.out_at, static_cast<int>(chunk));
    if (n > 0) {
      o.out_at += static_cast<size_t>(n);
      o.last_taken_us = platform::nowMicros();
      continue;
    }
    int code = n < 0 ? platform::socketError() : 0;
    if (n < 0 && platform::isInterrupted(code) && ++interrupts <= SEND_MAX_INTERRUPTS) continue;
    return platform::isWouldBlock(code) ? 0 : code;
  }
  o.out.clear();
  o.out.shrink_to_fit();
  o.out_at = 0;
  return 0;
}

int unackedBytes(int sock) {
  int n = 0;
  return platform::socketBytesUnacked(sock, &n) == 0 ? n : 0;
}

} // namespace

NetworkManager::NetworkManager() : m_server_sock(-1), m_max_connections(3) {
  setType("NetworkManager");
}

NetworkManager::~NetworkManager() {
  for (SendQueue &q : m_queue) {
    while (!q.delayed.empty()) {
      free(q.delayed.front().copy_buffer);
      q.delayed.pop();
    }
  }
}

NetworkManager &NetworkManager::getInstance() {
  static NetworkManager instance;
  return instance;
}

bool NetworkManager::takes(const std::string &event_type) const {
  for (const std::string *p_type : NETWORK_TYPES)
    if (event_type == *p_type) return true;
  return false;
}

bool NetworkManager::isValid(std::string event_type) const {
  if (takes(event_type)) return true;
  LogManager::getInstance().writeLog(
      "NetworkManager::isValid(): Error! NetworkManager does not handle %s.", event_type.c_str());
  return false;
}

int NetworkManager::startUp() {
  LogManager &lm = LogManager::getInstance();
  if (isStarted()) {
    lm.writeLog("%s::startup(): Warning! %s already started.", getType().c_str(),
                getType().c_str());
    return -1;
  }
  if (platform::socketStartup() != 0) {
    lm.writeLog("NetworkManager::startUp(): Error! WSAStartup() code : %d",
                platform::socketError());
    return 1;
  }
  Manager::startUp();
  lm.writeLog(5, "NetworkManager::startUp(): successfully started.");
  return 0;
}

void NetworkManager::shutDown() {
  LogManager &lm = LogManager::getInstance();
  close(-1);
  if (m_server_sock != -1) {
    platform::socketClose(m_server_sock);
    m_server_sock = -1;
  }

  // What send accepted gets a bounded time to reach the peers.
  int64_t start = platform::nowMicros();
  while (!m_closed.empty()) {
    drainAllClosed("NetworkManager::shutDown()");
    if (m_closed.empty()) break;
    if (platform::nowMicros() - start >= int64_t(SHUTDOWN_SEND_WAIT_MS) * 1000) {
      unsigned long long lost = 0;
      for (ClosedSocket &c : m_closed) {
        lost += c.output.pending() + static_cast<unsigned long long>(unackedBytes(c.sock));
        platform::socketAbort(c.sock);
      }
      lm.writeLog("NetworkManager::shutDown(): Warning! %llu unsent bytes of %d closed sockets "
                  "discarded after %d ms.",
                  lost, static_cast<int>(m_closed.size()), SHUTDOWN_SEND_WAIT_MS);
      m_closed.clear();
      break;
    }
    platform::sleepMillis(1);
  }
  if (platform::socketCleanup() != 0) logSocketError(platform::socketError());
  Manager::shutDown();
  LogManager::getInstance().writeLog(5, "NetworkManager::shutDown(): successfully stopped.");
}

int NetworkManager::setServer(bool is_server, std::string port) {
  LogManager &lm = LogManager::getInstance();
  if (!Config::getInstance().getNetworking()) {
    lm.writeLog(1,
                "NetworkManager::setServer(): Error! Networking is not enabled in the Vexmoor "
                "configuration file.");
    return -1;
  }
  if (!is_server) {
    if (m_server_sock != -1) platform::socketClose(m_server_sock);
    m_server_sock = -1;
    return 0;
  }
  if (m_server_sock != -1) return 0;

  unsigned short port_number = 0;
  if (!parsePort(port, &port_number)) {
    lm.writeLog("NetworkManager::setServer(): Error! Port \"%s\" is not a number from 1 to 65535.",
                port.c_str());
    return -1;
  }

  m_server_sock = platform::socketOpen(AF_INET, SOCK_STREAM, 0);
  if (m_server_sock < 0) {
    int code = platform::socketError();
    lm.writeLog("NetworkManager::setServer(): Error! socket() returned:");
    logSocketError(code);
    m_server_sock = -1;
    return -1;
  }

  const char *what = nullptr;
  if (platform::socketBindAny(m_server_sock, port_number) < 0)
    what = "bind";
  else if (platform::socketListen(m_server_sock, 5) < 0)
    what = "listen";
  else if (platform::socketSetNonBlocking(m_server_sock, true) < 0)
    what = "ioctlsocket";
  if (what) {
    int code = platform::socketError();
    lm.writeLog("NetworkManager::setServer(): Error! %s() returned:", what);
    logSocketError(code);
    platform::socketClose(m_server_sock);
    m_server_sock = -1;
    return -1;
  }

  lm.writeLog(1, "NetworkManager::setServer(): Ready for connections on port %s.", port.c_str());
  return 0;
}

bool NetworkManager::isServer() const { return m_server_sock != -1; }

int NetworkManager::addSocket(int sock) {
  m_sock.push_back(sock);
  m_delay.push_back(0);
  m_queue.emplace_back();
  return static_cast<int>(m_sock.size()) - 1;
}

void NetworkManager::removeSocket(int sock_index) {
  std::queue<DelayedMessage> &q = m_queue[sock_index].delayed;
  while (!q.empty()) {
    free(q.front().copy_buffer);
    q.pop();
  }
  m_sock.erase(m_sock.begin() + sock_index);
  m_delay.erase(m_delay.begin() + sock_index);
  m_queue.erase(m_queue.begin() + sock_index);
}

int NetworkManager::accept() {
  LogManager &lm = LogManager::getInstance();
  if (!isServer()) {
    lm.writeLog("NetworkManager::accept(): Error! Not setup as server.");
    return -2;
  }
  if (getNumConnections() >= m_max_connections) {
    lm.writeLog(20, "NetworkManager::accept(): Won't check for new connetions since at max.");
    lm.writeLog(20, "\tUse NM.setMaxConnections() to change max.");
    return -1;
  }
  int sock = platform::socketAccept(m_server_sock);
  if (sock == -1) {
    int code = platform::socketError();
    if (platform::isWouldBlock(code)) {
      lm.writeLog(15, "NetworkManager::accept(): No new connection. Not blocking.");
      return -1;
    }
    lm.writeLog("NetworkManager::accept(): Error! accept() returned:");
    logSocketError(code);
    return -2;
  }
  int index = addSocket(sock);
  lm.writeLog(1, "NetworkManager::accept(): New connection, socket %d.", index);
  sendNetworkEvent(*this, NetworkEventLabel::ACCEPT, index);
  return index;
}

int NetworkManager::connect(std::string host, std::string port) {
  LogManager &lm = LogManager::getInstance();
  if (!Config::getInstance().getNetworking()) {
    lm.writeLog(1,
                "NetworkManager::connect(): Error! Networking is not enabled in the Vexmoor "
                "configuration file.");
    return -1;
  }
  lm.writeLog(1, "NetworkManager::connect(): Connecting to %s, port %s.", host.c_str(),
              port.c_str());

  struct addrinfo *p_addr = nullptr;
  int r = platform::resolveAddress(host.c_str(), port.c_str(), &p_addr);
  if (r != 0 || !p_addr) {
    lm.writeLog("NetworkManager::connect(): Error! getaddrinfo() returned:");
    std::string text = platform::resolveErrorText(r);
    if (!text.empty()) lm.writeLog("\t%d - %s", r, text.c_str());
    platform::freeAddresses(p_addr);
    return -1;
  }

  int sock = platform::socketOpen(p_addr->ai_family, p_addr->ai_socktype, p_addr->ai_protocol);
  if (sock == -1) {
    int code = platform::socketError();
    lm.writeLog("NetworkManager::connect(): Error! socket() returned:");
    logSocketError(code);
    platform::freeAddresses(p_addr);
    return -1;
  }
  // Non-blocking from the start: neither the handshake nor later sends
  // hold the game loop longer than the time-out.
  if (platform::socketSetNonBlocking(sock, true) < 0) {
    int code = platform::socketError();
    lm.writeLog("NetworkManager::connect(): Error! ioctlsocket() returned:");
    logSocketError(code);
    platform::socketClose(sock);
    platform::freeAddresses(p_addr);
    return -1;
  }
  int code = 0;
  if (platform::socketConnect(sock, p_addr) < 0) {
    code = platform::socketError();
    if (platform::isInProgress(code)) {
      // Wait for the handshake's end, a millisecond at a time.
      int64_t start = platform::nowMicros();
      int done;
      while ((done = platform::socketConnectDone(sock, &code)) == 0 &&
             platform::nowMicros() - start < int64_t(CONNECT_TIMEOUT_MS) * 1000)
        platform::sleepMillis(1);
      if (done < 0) {
        code = platform::socketError();
      } else if (done == 0) {
        lm.writeLog("NetworkManager::connect(): Error! No answer from %s, port %s, within %d ms.",
                    host.c_str(), port.c_str(), CONNECT_TIMEOUT_MS);
        platform::socketClose(sock);
        platform::freeAddresses(p_addr);
        return -1;
      }
    }
  }
  platform::freeAddresses(p_addr);
  if (code != 0) {
    lm.writeLog("NetworkManager::connect(): Error! connect() returned:");
    logSocketError(code);
    platform::socketClose(sock);
    return -1;
  }

  int index = addSocket(sock);
  sendNetworkEvent(*this, NetworkEventLabel::CONNECT, index);
  lm.writeLog(1, "NetworkManager::connect(): Connection established.");
  lm.writeLog(20, "NetworkManager::connect(): Socket is %d", index);
  return index;
}

int NetworkManager::close(int sock_index) { return closeSockets(sock_index, false); }

int NetworkManager::closeSockets(int sock_index, bool discard) {
  LogManager &lm = LogManager::getInstance();
  int first = 0;
  int count = 0;
  if (sock_index == -1) {
    count = getNumConnections();
  } else if (sock_index >= 0 && sock_index < getNumConnections()) {
    first = sock_index;
    count = 1;
  } else {
    lm.writeLog("NetworkManager::close(): Error! No socket at index %d.", sock_index);
    return -1;
  }

  // Take each socket out of the lists as it is closed (its descriptor is
  // released even when close reports an error), then tell the objects, with
  // the indices the sockets had when this call began. A socket with bytes
  // still on their way leaves the lists now and closes once they are out.
  std::vector<int> closed;
  int result = 0;
  for (int k = 0; k < count; k++) {
    int sock = m_sock[first];
    int r = 0;
    int code = 0;
    if (discard) {
      r = platform::socketAbort(sock);
      code = platform::socketError();
    } else {
      ClosedSocket c;
      c.sock = sock;
      c.output = std::move(m_queue[first].output);
      // The no-progress time goes on from before the close.
      if (c.output.pending() == 0) c.output.last_taken_us = platform::nowMicros();
      c.last_unacked = unackedBytes(sock);
      int state = drainClosed(c, "NetworkManager::close()");
      if (state == 1) {
        r = platform::socketClose(sock);
        code = platform::socketError();
      } else if (state == 0) {
        try {
          m_closed.push_back(std::move(c));
        } catch (const std::bad_alloc &) {
          lm.writeLog("NetworkManager::close(): Error! No room to keep socket %d open for its "
                      "unsent bytes; they are discarded.",
                      first + k);
          platform::socketAbort(sock);
        }
      }
    }
    removeSocket(first);
    closed.push_back(first + k);
    if (r != 0) {
      lm.writeLog("NetworkManager::close(): Error! close() returned:");
      logSocketError(code);
      result = -1;
      break;
    }
  }
  for (int old_index : closed) sendNetworkEvent(*this, NetworkEventLabel::CLOSE, old_index);
  return result;
}

int NetworkManager::drainClosed(ClosedSocket &c, const char *p_op) {
  LogManager &lm = LogManager::getInstance();
  // Unread input at the close would make the system reset the connection
  // and drop what is still on its way.
  platform::socketDiscardInput(c.sock, CLOSED_DISCARD_BYTES);
  size_t before = c.output.pending();
  int code = sendOutput(c.sock, c.output);
  if (code != 0) {
    lm.writeLog("%s: Error! Closed socket (m_sock[] was %d) lost its peer: %llu unsent bytes "
                "discarded.",
                p_op, c.sock, static_cast<unsigned long long>(c.output.pending()));
    logSocketError(code);
    platform::socketClose(c.sock);
    return -1;
  }
  int unacked = unackedBytes(c.sock);
  if (c.output.pending() == 0 && unacked == 0) return 1;
  int64_t now = platform::nowMicros();
  if (c.output.pending() < before || unacked < c.last_unacked) c.output.last_taken_us = now;
  c.last_unacked = unacked;
  int64_t stalled_ms = (now - c.output.last_taken_us) / 1000;
  if (stalled_ms >= MAX_SEND_STALL_MS) {
    lm.writeLog("%s: Error! Closed socket (m_sock[] was %d) took nothing for %lld ms: %llu unsent "
                "bytes discarded.",
                p_op, c.sock, static_cast<long long>(stalled_ms),
                static_cast<unsigned long long>(c.output.pending()) +
                    static_cast<unsigned long long>(unacked));
    platform::socketAbort(c.sock);
    return -1;
  }
  return 0;
}

void NetworkManager::drainAllClosed(const char *p_op) {
  LogManager &lm = LogManager::getInstance();
  size_t kept = 0;
  for (size_t i = 0; i < m_closed.size(); i++) {
    int state = drainClosed(m_closed[i], p_op);
    if (state == 1 && platform::socketClose(m_closed[i].sock) != 0) {
      int code = platform::socketError();
      lm.writeLog("%s: Error! close() returned:", p_op);
      logSocketError(code);
    }
    if (state == 0) {
      if (kept != i) m_closed[kept] = std::move(m_closed[i]);
      kept++;
    }
  }
  m_closed.erase(m_closed.begin() + static_cast<std::ptrdiff_t>(kept), m_closed.end());
}

bool NetworkManager::isDraining() const { return !m_closed.empty(); }

bool NetworkManager::isConnected(int sock_index) const {
  if (sock_index < -1) {
    LogManager::getInstance().writeLog("NetworkManager::isConnected(): Warning! Sock less than -1.");
    return false;
  }
  return !m_sock.empty() && sock_index < getNumConnections();
}

int NetworkManager::getSocket(int sock_index) const {
  if (sock_index >= 0 && sock_index < getNumConnections()) return m_sock[sock_index];
  int n = getNumConnections();
  LogManager::getInstance().writeLog(
      "NetworkManager::getSocket(): Error! No socket at index %d (min %d, max %d).", sock_index,
      n > 0 ? 0 : -1, n > 0 ? n : -1);
  return -1;
}

int NetworkManager::getNumConnections() const { return static_cast<int>(m_sock.size()); }

int NetworkManager::getMaxConnections() const { return m_max_connections; }

void NetworkManager::setMaxConnections(int max_connections) {
  m_max_connections = max_connections;
}

void NetworkManager::cleanUp(int signal) {
  LogManager &lm = LogManager::getInstance();
  lm.writeLog(1, "NetworkManager cleanUp(): Signal is %d. Shutting down.", signal);
  shutDown();
  lm.writeLog(1, "NetworkManager cleanUp(): Calling game manager shutdown.");
  GameManager::getInstance().shutDown();
  exit(signal);
}

int NetworkManager::send(const void *buffer, int bytes, int sock_index) {
  if (!isConnected(sock_index)) return -1;
  if (bytes < 0 || (!buffer && bytes > 0)) {
    LogManager::getInstance().writeLog("NetworkManager::send(): Error! Bad buffer or byte count (%d).",
                                       bytes);
    return -1;
  }

  // Serve the sockets listed now, each found again by its descriptor: a
  // send that closes a socket moves the later ones down under the loop.
  std::vector<int> served;
  if (sock_index == -1)
    served = m_sock;
  else
    served.push_back(m_sock[sock_index]);

  int result = 0;
  for (int fd : served) {
    int i = -1;
    for (int j = 0; j < getNumConnections(); j++)
      if (m_sock[j] == fd) i = j;
    if (i < 0) continue;  // closed meanwhile
    if (m_delay[i] != 0) {
      // A message that could never go out is refused now, not at its step.
      if (bytes > MAX_PENDING_OUTPUT && checkRoom(i, bytes) != 0) {
        result += -1;
        continue;
      }
      char *copy = static_cast<char *>(malloc(bytes > 0 ? static_cast<size_t>(bytes) : 1));
      if (!copy) {
        LogManager::getInstance().writeLog(
            "NetworkManager::send(): Error!  Allocate buffer for delayed send (%d).", bytes);
        result += -1;
        continue;
      }
      if (bytes > 0) memcpy(copy, buffer, static_cast<size_t>(bytes));
      // The step saturates: a delay near INT_MAX waits, it does not wrap.
      int64_t step = int64_t(GameManager::getInstance().getStepCount()) + m_delay[i];
      if (step > INT_MAX) step = INT_MAX;
      if (step < INT_MIN) step = INT_MIN;
      DelayedMessage m;
      m.send_step = static_cast<int>(step);
      m.copy_buffer = copy;
      m.bytes = bytes;
      m_queue[i].delayed.push(m);
    } else {
      result += sendNow(buffer, bytes, i);
    }
  }
  return result;
}

int NetworkManager::sendDelayed() {
  drainAllClosed("NetworkManager::sendDelayed()");
  int step = GameManager::getInstance().getStepCount();
  int result = 0;
  // Sends may close sockets and shift the indices: each is found again by fd.
  auto indexOf = [this](int fd) {
    for (int j = 0; j < getNumConnections(); j++)
      if (m_sock[j] == fd) return j;
    return -1;
  };
  std::vector<int> served = m_sock;
  for (int fd : served) {
    int i = indexOf(fd);
    if (i < 0) continue;  // closed meanwhile
    if (flushOutput(i) != 0) {
      result += -1;
      continue;
    }
    for (;;) {
      i = indexOf(fd);
      if (i < 0 || m_queue[i].delayed.empty()) break;
      const DelayedMessage &next = m_queue[i].delayed.front();
      if (next.send_step > step) break;
      // A due message that would pass the cap waits for room: send took it.
      size_t pending = m_queue[i].pending();
      if (pending > 0 && uint64_t(pending) + uint64_t(next.bytes) > uint64_t(MAX_PENDING_OUTPUT))
        break;
      DelayedMessage m = next;
      m_queue[i].delayed.pop();
      result += sendNow(m.copy_buffer, m.bytes, i);
      free(m.copy_buffer);
    }
  }
  return result;
}

int NetworkManager::sendNow(const void *buffer, int bytes, int sock_index) {
  LogManager &lm = LogManager::getInstance();
  if (!isConnected(sock_index) || sock_index < 0) {
    lm.writeLog("NetworkManager::send(): Error! Socket %d not connected. Unable to send.",
                sock_index);
    return -1;
  }
  int fd = m_sock[sock_index];
  lm.writeLog(15, "NetworkManager::send(): Socket %d (m_sock[] is %d). Calling ::send()...",
              sock_index, fd);
  if (bytes < 0 || (!buffer && bytes > 0)) {
    lm.writeLog("NetworkManager::send(): Error! Bad buffer or byte count (%d).", bytes);
    return -1;
  }
  const char *p = static_cast<const char *>(buffer);

  // Bytes from earlier sends go first.
  if (flushOutput(sock_index) != 0) return -1;
  if (checkRoom(sock_index, bytes) != 0) return -1;
  if (m_queue[sock_index].pending() > 0) {
    if (holdOutput(sock_index, p, bytes, false) != 0) return -1;
    followFrames(sock_index, p, bytes);
    return 0;
  }

  // What the socket takes now; the rest waits for later steps.
  int sent = 0;
  int code = 0;
  int interrupts = 0;
  while (sent < bytes) {
    int n = platform::socketSend(fd, p + sent, bytes - sent);
    if (n > 0) {
      sent += n;
      continue;
    }
    code = n < 0 ? platform::socketError() : 0;
    if (n < 0 && platform::isInterrupted(code) && ++interrupts <= SEND_MAX_INTERRUPTS) continue;
    break;
  }
  if (sent < bytes && code != 0 && platform::isWouldBlock(code)) {
    if (holdOutput(sock_index, p + sent, bytes - sent, sent > 0) != 0) return -1;
    sent = bytes;
  }
  if (sent == bytes) {
    followFrames(sock_index, p, bytes);
    return 0;
  }

  if (sent == 0) {
    lm.writeLog("NetworkManager::send(): Error! Return is -1.");
    logSocketError(code);
    if (platform::isConnectionGone(code)) {
      lm.writeLog(1, "\tsocket is closed");
      closeSockets(sock_index, true);
    }
    return -1;
  }

  lm.writeLog("NetworkManager::send(): Warning! %d of %d bytes sent.", sent, bytes);
  if (code != 0) logSocketError(code);
  lm.writeLog("NetworkManager::send(): Error! Message cut short, closing socket %d.", sock_index);
  closeSockets(sock_index, true);
  return -1;
}

int NetworkManager::checkRoom(int sock_index, int bytes) const {
  size_t pending = m_queue[sock_index].pending();
  if (uint64_t(pending) + uint64_t(bytes) <= uint64_t(MAX_PENDING_OUTPUT)) return 0;
  LogManager::getInstance().writeLog(
      "NetworkManager::send(): Error! Socket %d has %llu bytes waiting to go out; %d more would "
      "pass %d. Message refused.",
      sock_index, static_cast<unsigned long long>(pending), bytes, MAX_PENDING_OUTPUT);
  return -1;
}

void NetworkManager::followFrames(int sock_index, const char *p, int bytes) {
  OutgoingFrames &f = m_queue[sock_index].frames;
  int64_t at = 0;
  while (at < bytes && !f.out_of_step) {
    if (f.body_left > 0) {
      int64_t take = bytes - at < f.body_left ? bytes - at : f.body_left;
      f.body_left -= take;
      at += take;
      continue;
    }
    f.head[f.head_bytes++] = p[at++];
    if (f.head_bytes < 4) continue;
    f.head_bytes = 0;
    int32_t length = 0;
    memcpy(&length, f.head, 4);
    if (length < 4 || length > MAX_MESSAGE_SIZE) {
      LogManager::getInstance().writeLog(
          "NetworkManager::send(): Warning! Socket %d is sent a message length of %d: a peer of "
          "this engine reads 4 to %d and closes the connection.",
          sock_index, static_cast<int>(length), MAX_MESSAGE_SIZE);
      f.out_of_step = true;
      break;
    }
    f.body_left = length - 4;
  }
}

int NetworkManager::holdOutput(int sock_index, const char *p, int bytes, bool started) {
  LogManager &lm = LogManager::getInstance();
  Output &o = m_queue[sock_index].output;
  size_t pending = o.pending();
  try {
    if (o.out_at > 0 && o.out_at >= o.out.size() / 2) {
      o.out.erase(o.out.begin(), o.out.begin() + static_cast<std::ptrdiff_t>(o.out_at));
      o.out_at = 0;
    }
    o.out.insert(o.out.end(), p, p + bytes);
  } catch (const std::bad_alloc &) {
    lm.writeLog("NetworkManager::send(): Error! Cannot hold %d bytes for socket %d.", bytes,
                sock_index);
    // Part of the message is out: the rest of the stream would be out of step.
    if (started) closeSockets(sock_index, true);
    return -1;
  }
  if (pending == 0) o.last_taken_us = platform::nowMicros();
  lm.writeLog(20, "NetworkManager::send(): Socket %d holds %llu bytes for later steps.",
              sock_index, static_cast<unsigned long long>(o.pending()));
  return 0;
}

int NetworkManager::flushOutput(int sock_index) {
  LogManager &lm = LogManager::getInstance();
  Output &o = m_queue[sock_index].output;
  if (o.pending() == 0) return 0;
  int code = sendOutput(m_sock[sock_index], o);
  if (o.pending() == 0) return 0;
  if (code != 0) {
    // The stream ends mid-message: nothing more can go out in step.
    lm.writeLog("NetworkManager::send(): Error! Return is -1.");
    logSocketError(code);
    if (platform::isConnectionGone(code)) lm.writeLog(1, "\tsocket is closed");
    closeSockets(sock_index, true);
    return -1;
  }
  int64_t stalled_ms = (platform::nowMicros() - o.last_taken_us) / 1000;
  if (stalled_ms >= MAX_SEND_STALL_MS) {
    lm.writeLog(
        "NetworkManager::send(): Error! Socket %d took nothing for %lld ms (%llu bytes wait). "
        "Closing it.",
        sock_index, static_cast<long long>(stalled_ms),
        static_cast<unsigned long long>(o.pending()));
    closeSockets(sock_index, true);
    return -1;
  }
  return 0;
}

int NetworkManager::setDelay(int delay, int sock_index) {
  LogManager &lm = LogManager::getInstance();
  if (sock_index != -1 && !isConnected(sock_index)) {
    lm.writeLog(5, "NetworkManager::setDelay(): Warning! Socket %d not connected.", sock_index);
    return -1;
  }
  if (sock_index == -1) {
    for (int &d : m_delay) d = delay;
  } else {
    m_delay[sock_index] = delay;
  }
  lm.writeLog(15, "NetworkManager::setDelay(): Added delay %d, socket %d", delay, sock_index);
  return 0;
}

int NetworkManager::receive(void *buffer, int bytes, bool peek, int sock_index) {
  LogManager &lm = LogManager::getInstance();
  if (!isConnected(sock_index) || sock_index < 0) {
    lm.writeLog("NetworkManager::receive(): Error! Socket %d not connected. Unable to receive.",
                sock_index);
    return -1;
  }
  int fd = m_sock[sock_index];
  lm.writeLog(15,
              "NetworkManager::receive(): Socket %d (m_sock[] is %d). Calling recv(), bytes %d ...",
              sock_index, fd, bytes);
  if (!buffer || bytes <= 0) {
    // A zero-byte read would look like the peer closing.
    lm.writeLog("NetworkManager::receive(): Error! Bad buffer or byte count (%d).", bytes);
    return -1;
  }

  int n;
  int interrupts = 0;
  do {
    n = platform::socketRecv(fd, buffer, bytes, peek);
  } while (n < 0 && platform::isInterrupted(platform::socketError()) &&
           ++interrupts <= RECV_MAX_INTERRUPTS);

  if (n == 0) {
    lm.writeLog(1, "NetworkManager::receive(): socket is closed");
    close(sock_index);
    return 0;
  }
  if (n < 0) {
    int code = platform::socketError();
    if (!platform::isWouldBlock(code)) {
      lm.writeLog("NetworkManager::receive(): Error! recv() returned:");
      logSocketError(code);
    }
    return -1;
  }
  return n;
}

int NetworkManager::isData(int sock_index) const {
  LogManager &lm = LogManager::getInstance();
  if (!isConnected(sock_index) || sock_index < 0) {
    lm.writeLog(5, "NetworkManager::isData(): Warning! Sock %d not connected.", sock_index);
    return -1;
  }
  int bytes = 0;
  if (platform::socketBytesWaiting(m_sock[sock_index], &bytes) < 0) {
    int code = platform::socketError();
    lm.writeLog("NetworkManager::isData(): Error! ioctl()/ioctlsocket() returned:");
    logSocketError(code);
    return -1;
  }
  return bytes;
}

int NetworkManager::adoptSocket(int fd) { return addSocket(fd); }

namespace {

// With no whole message waiting: closes the socket when its peer has left
// (the message can never be completed). -1 when closed, else 0.
int closeIfPeerLeft(NetworkManager &nm, int sock_index, int waiting) {
  int code = 0;
  if (platform::socketPeerGone(nm.getSocket(sock_index), &code) != 1) return 0;
  LogManager &lm = LogManager::getInstance();
  if (code == 0) {
    lm.writeLog("vx::genDataEvents(): Socket %d closed by the peer, %d bytes of a message unread.",
                sock_index, waiting);
  } else {
    lm.writeLog("vx::genDataEvents(): Error! Socket %d lost, %d bytes of a message unread:",
                sock_index, waiting);
    logSocketError(code);
  }
  nm.close(sock_index);
  return -1;
}

} // namespace

int genDataEvents(int sock_index) {
  NetworkManager &nm = NetworkManager::getInstance();
  LogManager &lm = LogManager::getInstance();

  bool connected = nm.isConnected(sock_index);
  int waiting = nm.isData(sock_index);
  lm.writeLog(20, "vx::genDataEvents(): socket %d, connected %s, bytes %d", sock_index,
              connected ? "true" : "false", waiting);
  if (!connected || sock_index < 0) return 0;
  if (waiting < 4) return closeIfPeerLeft(nm, sock_index, waiting < 0 ? 0 : waiting);

  int32_t length = 0;
  if (nm.receive(&length, 4, true, sock_index) != 4) {
    lm.writeLog("vx::genDataEvents(): Error!  Reading message.");
    return -1;
  }
  lm.writeLog(20, "vx::genDataEvents(): have %d of %d bytes.", waiting, static_cast<int>(length));
  if (length < 4 || length > MAX_MESSAGE_SIZE) {
    // Not a frame: the stream cannot be read in step any more.
    lm.writeLog(
        "vx::genDataEvents(): Error! Bad message length %d (must be 4 to %d). Closing socket %d.",
        static_cast<int>(length), MAX_MESSAGE_SIZE, sock_index);
    nm.close(sock_index);
    return -1;
  }
  if (waiting < length) return closeIfPeerLeft(nm, sock_index, waiting);
  lm.writeLog(20, "vx::genDataEvents(): have full message (%d bytes).", static_cast<int>(length));

  char *p_buffer = static_cast<char *>(malloc(static_cast<size_t>(length)));
  if (!p_buffer) {
    lm.writeLog("vx::genDataEvents(): Error! Cannot allocate %d bytes for message buffer.",
                static_cast<int>(length));
    return -1;
  }
  memset(p_buffer, 0, static_cast<size_t>(length));

  // The whole message is waiting, so this is one read; should the system
  // hand it over in parts, the rest is read too so the stream stays in step.
  int got = 0;
  int n = 0;
  while (got < length) {
    n = nm.receive(p_buffer + got, length - got, false, sock_index);
    if (n <= 0) break;
    got += n;
  }
  if (got != length) {
    lm.writeLog("vx::genDataEvents(): Error!  Reading message.");
    free(p_buffer);
    // Part of a message was taken: what follows is out of step. (A read of 0
    // has closed the socket already.)
    if (got > 0 && n < 0) nm.close(sock_index);
    return -1;
  }

  EventNetwork ev(NetworkEventLabel::DATA);
  ev.setBytes(length);
  ev.setSocketIndex(sock_index);
  ev.setMessage(p_buffer);
  int count = nm.onEvent(&ev);
  lm.writeLog(20, "vx::genDataEvents(): sent to %d objects.", count);
  free(p_buffer);
  return 1;
}

void logSocketError(int code) {
  std::string text = platform::socketErrorText(code);
  size_t cut = text.find_first_of("\r\n");
  if (cut != std::string::npos) text.erase(cut);
  if (text.empty()) return;
  LogManager::getInstance().writeLog("\t%d - %s", code, text.c_str());
}

} // namespace vx
