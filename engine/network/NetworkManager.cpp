#include "network/NetworkManager.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "core/Config.h"
#include "core/EventOwner.h"
#include "core/LogManager.h"
#include "core/LoopState.h"
#include "core/Utility.h"
#include "network/EventNetwork.h"
#include "platform/Platform.h"
#include "platform/Socket.h"

namespace vx {

namespace {

void sendNetworkEvent(const NetworkManager &nm, int label, int sock_index) {
  EventNetwork ev(label);
  ev.setSocketIndex(sock_index);
  ev.setBytes(0);
  nm.onEvent(&ev);
}

} // namespace

NetworkManager::NetworkManager()
    : m_server_sock(-1),
      m_max_connections(3),
      m_most_connections(0),
      m_max_pending_output(MAX_PENDING_OUTPUT),
      m_accept_error(0),
      m_accept_logged_us(0),
      m_accept_failures(0) {
  setType("NetworkManager");
}

NetworkManager::~NetworkManager() {}

NetworkManager &NetworkManager::getInstance() {
  static NetworkManager instance;
  return instance;
}

bool NetworkManager::isValid(std::string event_type) const {
  if (eventOwner(event_type) == EventOwner::NETWORK) return true;
  LogManager::getInstance().writeLog(
      "NetworkManager::isValid(): Error! NetworkManager does not handle %s.", event_type.c_str());
  return false;
}

int NetworkManager::startUp() {
  LogManager &lm = LogManager::getInstance();
  if (refuseSecondStartUp()) return -1;
  if (platform::socketStartup() != 0) {
    // Winsock's call name, kept in the line.
    lm.writeLog("NetworkManager::startUp(): Error! WSAStartup() code : %d",
                platform::socketError());
    return 1;
  }
  Manager::startUp();
  m_most_connections = 0;
  lm.writeLog(5, "NetworkManager::startUp(): successfully started.");
  return 0;
}

void NetworkManager::shutDown() {
  close(-1);
  closeServerSocket();
  // What send accepted gets a bounded time to reach the peers.
  m_closed.drainBeforeShutDown();
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
    closeServerSocket();
    return 0;
  }
  if (m_server_sock != -1) return 0;

  int sock = openServerSocket(port);
  if (sock < 0) return -1;
  m_server_sock = sock;
  lm.writeLog(1, "NetworkManager::setServer(): Ready for connections on port %s.", port.c_str());
  return 0;
}

bool NetworkManager::isServer() const { return m_server_sock != -1; }

void NetworkManager::closeServerSocket() {
  if (m_server_sock == -1) return;
  endAcceptFailures();
  m_accept_error = 0;
  platform::socketClose(m_server_sock);
  m_server_sock = -1;
}

void NetworkManager::endAcceptFailures() {
  if (m_accept_failures == 0) return;
  LogManager::getInstance().writeLog(
      "NetworkManager::accept(): accept() failed %llu more time%s with error %d since it was "
      "logged.",
      static_cast<unsigned long long>(m_accept_failures), m_accept_failures == 1 ? "" : "s",
      m_accept_error);
  m_accept_failures = 0;
}

int NetworkManager::addSocket(int sock) {
  m_connections.emplace_back(sock);
  if (getNumConnections() > m_most_connections) m_most_connections = getNumConnections();
  return getNumConnections() - 1;
}

bool NetworkManager::atMaxConnections() const { return getNumConnections() >= m_max_connections; }

void NetworkManager::removeSocket(int sock_index) {
  m_connections.erase(m_connections.begin() + sock_index);
}

int NetworkManager::indexOf(int sock) const {
  for (int i = 0; i < getNumConnections(); i++)
    if (m_connections[i].sock == sock) return i;
  return -1;
}

std::vector<int> NetworkManager::sockets() const {
  std::vector<int> socks;
  socks.reserve(m_connections.size());
  for (const Connection &c : m_connections) socks.push_back(c.sock);
  return socks;
}

int NetworkManager::accept() {
  LogManager &lm = LogManager::getInstance();
  if (!isServer()) {
    lm.writeLog("NetworkManager::accept(): Error! Not setup as server.");
    return -2;
  }
  // Out of descriptors, accept fails at nearly every call, whatever
  // succeeds in between: the same failure has one line in its time.
  int64_t now = platform::nowMicros();
  if (m_accept_error != 0 && now - m_accept_logged_us >= int64_t(ACCEPT_ERROR_LOG_MS) * 1000) {
    endAcceptFailures();
    m_accept_error = 0;
  }
  if (atMaxConnections()) {
    // "connetions" is misspelt in this line, as peers' logs have it.
    lm.writeLog(20, "NetworkManager::accept(): Won't check for new connetions since at max.");
    lm.writeLog(20, "\tUse NM.setMaxConnections() to change max.");
    return -1;
  }
  int sock = platform::socketAccept(m_server_sock);
  int code = sock == -1 ? platform::socketError() : 0;
  if (sock == -1 && !platform::isWouldBlock(code)) {
    if (code == m_accept_error) {
      m_accept_failures++;
      return -2;
    }
    endAcceptFailures();
    lm.writeLog("NetworkManager::accept(): Error! accept() returned:");
    logSocketError(code);
    m_accept_error = code;
    m_accept_logged_us = now;
    return -2;
  }
  if (sock == -1) {
    lm.writeLog(15, "NetworkManager::accept(): No new connection. Not blocking.");
    return -1;
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
  int sock = openClientSocket(host, port);
  if (sock < 0) return -1;

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

  // Take each socket out of the list as it is closed (its descriptor is
  // released even when close reports an error), then tell the objects, with
  // the indices the sockets had when this call began. A socket with bytes
  // still on their way leaves the list now and closes once they are out.
  std::vector<int> closed;
  int result = 0;
  // Closed sockets still sending are bounded by what the program holds
  // open: as many as it may accept or has had open at once (at least
  // MIN_CLOSED_SOCKETS), each with the cap on its way here and as much in
  // the system's send queue.
  int max_closed = std::max({m_max_connections, m_most_connections, MIN_CLOSED_SOCKETS});
  for (int k = 0; k < count; k++) {
    Connection &c = m_connections[first];
    c.queue.discard(first + k);
    int r = 0;
    int code = 0;
    if (discard) {
      r = platform::socketAbort(c.sock);
      code = platform::socketError();
    } else {
      r = m_closed.close(c.sock, first + k, c.queue.takeUnsent(), max_closed,
                         uint64_t(max_closed) * 2 * uint64_t(m_max_pending_output), &code);
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

std::string NetworkManager::lostOutputText(int sock_index) const {
  const Connection &c = m_connections[sock_index];
  int queued = 0;
  if (platform::socketBytesUnacked(c.sock, &queued) != 0) queued = 0;
  if (c.queue.pending() == 0 && queued == 0) return std::string();
  return ", " + discardedText(c.queue.pending(), queued);
}

bool NetworkManager::isDraining() const { return !m_closed.empty(); }

bool NetworkManager::isConnected(int sock_index) const {
  if (sock_index < -1) {
    LogManager::getInstance().writeLog("NetworkManager::isConnected(): Warning! Sock less than -1.");
    return false;
  }
  return !m_connections.empty() && sock_index < getNumConnections();
}

int NetworkManager::getSocket(int sock_index) const {
  if (sock_index >= 0 && sock_index < getNumConnections()) return m_connections[sock_index].sock;
  int n = getNumConnections();
  LogManager::getInstance().writeLog(
      "NetworkManager::getSocket(): Error! No socket at index %d (min %d, max %d).", sock_index,
      n > 0 ? 0 : -1, n > 0 ? n : -1);
  return -1;
}

int NetworkManager::getNumConnections() const { return static_cast<int>(m_connections.size()); }

int NetworkManager::getMaxConnections() const { return m_max_connections; }

void NetworkManager::setMaxConnections(int max_connections) {
  m_max_connections = max_connections;
}

void NetworkManager::cleanUp(int signal) {
  LogManager &lm = LogManager::getInstance();
  lm.writeLog(1, "NetworkManager cleanUp(): Signal is %d. Shutting down.", signal);
  shutDown();
  lm.writeLog(1, "NetworkManager cleanUp(): Calling game manager shutdown.");
  // The game manager sits above the network.
  if (Manager *p_game = Manager::find("GameManager")) p_game->shutDown();
  exit(signal);
}

int NetworkManager::send(const void *buffer, int bytes, int sock_index) {
  if (!isConnected(sock_index)) return -1;
  if (bytes < 0 || (!buffer && bytes > 0)) {
    LogManager::getInstance().writeLog("NetworkManager::send(): Error! Bad buffer or byte count (%d).",
                                       bytes);
    return -1;
  }
  auto sendOne = [&](int i) {
    return m_connections[i].delay != 0 ? sendLater(buffer, bytes, i) : sendNow(buffer, bytes, i);
  };
  if (sock_index != -1) return sendOne(sock_index);
  // Serve the sockets listed now, each found again by its descriptor: a
  // send that closes a socket moves the later ones down under the loop.
  int result = 0;
  for (int sock : sockets()) {
    int i = indexOf(sock);
    if (i >= 0) result += sendOne(i);  // else closed meanwhile
  }
  return result;
}

int NetworkManager::sendLater(const void *buffer, int bytes, int sock_index) {
  Connection &c = m_connections[sock_index];
  // Counted toward the cap from now on, not only at its step.
  if (c.queue.checkRoom(sock_index, bytes, true, m_max_pending_output) != 0) return -1;
  // The step saturates: a delay near INT_MAX waits, it does not wrap.
  int step = clampToInt(int64_t(LoopState::getInstance().getStepCount()) + c.delay);
  return c.queue.delay(step, buffer, bytes);
}

int NetworkManager::sendDelayed() {
  m_closed.drainAll("NetworkManager::sendDelayed()");
  int step = LoopState::getInstance().getStepCount();
  int result = 0;
  // Sends may close sockets and shift the indices: each is found again by
  // its descriptor.
  for (int sock : sockets()) result += sendDue(sock, step);
  return result;
}

int NetworkManager::sendDue(int sock, int step) {
  int i = indexOf(sock);
  if (i < 0) return 0;  // closed meanwhile
  if (flushOutput(i) != 0) return -1;
  int result = 0;
  std::vector<char> copy;
  for (;;) {
    i = indexOf(sock);
    if (i < 0 || !m_connections[i].queue.takeDue(step, m_max_pending_output, &copy)) break;
    result += sendOut(copy.data(), static_cast<int>(copy.size()), i, true);
  }
  return result;
}

int NetworkManager::sendNow(const void *buffer, int bytes, int sock_index) {
  return sendOut(buffer, bytes, sock_index, false);
}

int NetworkManager::sendOut(const void *buffer, int bytes, int sock_index, bool counted) {
  LogManager &lm = LogManager::getInstance();
  if (!isConnected(sock_index) || sock_index < 0) {
    lm.writeLog("NetworkManager::send(): Error! Socket %d not connected. Unable to send.",
                sock_index);
    return -1;
  }
  int sock = m_connections[sock_index].sock;
  // "m_sock[]" names the socket list as these lines always have.
  lm.writeLog(15, "NetworkManager::send(): Socket %d (m_sock[] is %d). Calling ::send()...",
              sock_index, sock);
  if (bytes < 0 || (!buffer && bytes > 0)) {
    lm.writeLog("NetworkManager::send(): Error! Bad buffer or byte count (%d).", bytes);
    return -1;
  }
  const char *p = static_cast<const char *>(buffer);

  // Bytes from earlier sends go first.
  if (flushOutput(sock_index) != 0) return -1;
  SendQueue &q = m_connections[sock_index].queue;
  if (!counted && q.checkRoom(sock_index, bytes, false, m_max_pending_output) != 0) return -1;
  if (q.pending() > 0) {
    if (holdOutput(sock_index, p, bytes, false) != 0) return -1;
    q.follow(sock_index, p, bytes);
    return 0;
  }

  // What the socket takes now; the rest waits for later steps.
  int code = 0;
  int sent = platform::socketSendSome(sock, p, bytes, &code);
  if (sent < bytes && code != 0 && platform::isWouldBlock(code)) {
    if (holdOutput(sock_index, p + sent, bytes - sent, sent > 0) != 0) return -1;
    sent = bytes;
  }
  if (sent == bytes) {
    q.follow(sock_index, p, bytes);
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

int NetworkManager::holdOutput(int sock_index, const char *p, int bytes, bool started) {
  if (m_connections[sock_index].queue.hold(sock_index, p, bytes) == 0) return 0;
  // Part of the message is out: the rest of the stream would be out of step.
  if (started) closeSockets(sock_index, true);
  return -1;
}

int NetworkManager::flushOutput(int sock_index) {
  Connection &c = m_connections[sock_index];
  if (c.queue.flush(c.sock, sock_index) == 0) return 0;
  closeSockets(sock_index, true);
  return -1;
}

int NetworkManager::setDelay(int delay, int sock_index) {
  LogManager &lm = LogManager::getInstance();
  if (sock_index != -1 && !isConnected(sock_index)) {
    lm.writeLog(5, "NetworkManager::setDelay(): Warning! Socket %d not connected.", sock_index);
    return -1;
  }
  for (int i = 0; i < getNumConnections(); i++)
    if (sock_index == -1 || sock_index == i) m_connections[i].delay = delay;
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
  Connection &c = m_connections[sock_index];
  // "m_sock[]" names the socket list as these lines always have.
  lm.writeLog(15,
              "NetworkManager::receive(): Socket %d (m_sock[] is %d). Calling recv(), bytes %d ...",
              sock_index, c.sock, bytes);
  if (!buffer || bytes <= 0) {
    // A zero-byte read would look like the peer closing.
    lm.writeLog("NetworkManager::receive(): Error! Bad buffer or byte count (%d).", bytes);
    return -1;
  }

  // The bytes this end holds come first, then the system's.
  char *p = static_cast<char *>(buffer);
  int held = c.input.copyOut(p, bytes, peek);
  if (held == bytes) return held;
  int n = platform::socketRecv(c.sock, p + held, bytes - held, peek);

  // With held bytes read, the peer's end shows at the next call.
  if (n == 0 && held == 0) {
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
    return held > 0 ? held : -1;
  }
  return held + n;
}

int NetworkManager::isData(int sock_index) const {
  LogManager &lm = LogManager::getInstance();
  if (!isConnected(sock_index) || sock_index < 0) {
    lm.writeLog(5, "NetworkManager::isData(): Warning! Sock %d not connected.", sock_index);
    return -1;
  }
  const Connection &c = m_connections[sock_index];
  int bytes = 0;
  if (platform::socketBytesWaiting(c.sock, &bytes) < 0) {
    int code = platform::socketError();
    // Both systems' call names, kept in the line.
    lm.writeLog("NetworkManager::isData(): Error! ioctl()/ioctlsocket() returned:");
    logSocketError(code);
    return -1;
  }
  return clampToInt(int64_t(bytes) + int64_t(c.input.held()));
}

int NetworkManager::holdInput(int sock_index, int upto) {
  Connection &c = m_connections[sock_index];
  return c.input.fill(c.sock, upto);
}

} // namespace vx
