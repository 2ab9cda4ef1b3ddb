#include "network/NetworkManager.h"

#include <netdb.h>
#include <sys/socket.h>

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

bool NetworkManager::isValid(std::string event_type) const {
  for (const std::string *p_type : NETWORK_TYPES)
    if (event_type == *p_type) return true;
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
  close(-1);
  if (m_server_sock != -1) {
    platform::socketClose(m_server_sock);
    m_server_sock = -1;
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

  m_server_sock = platform::socketOpen(AF_INET, SOCK_STREAM, 0);
  if (m_server_sock < 0) {
    int code = platform::socketError();
    lm.writeLog("NetworkManager::setServer(): Error! socket() returned:");
    logSocketError(code);
    m_server_sock = -1;
    return -1;
  }

  const char *what = nullptr;
  if (platform::socketBindAny(m_server_sock, static_cast<unsigned short>(atoi(port.c_str()))) < 0)
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
  if (platform::socketConnect(sock, p_addr) < 0) {
    int code = platform::socketError();
    lm.writeLog("NetworkManager::connect(): Error! connect() returned:");
    logSocketError(code);
    platform::socketClose(sock);
    platform::freeAddresses(p_addr);
    return -1;
  }
  platform::freeAddresses(p_addr);
  // Sends must never hold the game loop: what the peer cannot take waits.
  if (platform::socketSetNonBlocking(sock, true) < 0) {
    int code = platform::socketError();
    lm.writeLog("NetworkManager::connect(): Error! ioctlsocket() returned:");
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

int NetworkManager::close(int sock_index) {
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
  // the indices the sockets had when this call began.
  std::vector<int> closed;
  int result = 0;
  for (int k = 0; k < count; k++) {
    int r = platform::socketClose(m_sock[first]);
    int code = platform::socketError();
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
      char *copy = static_cast<char *>(malloc(bytes > 0 ? static_cast<size_t>(bytes) : 1));
      if (!copy) {
        LogManager::getInstance().writeLog(
            "NetworkManager::send(): Error!  Allocate buffer for delayed send (%d).", bytes);
        result += -1;
        continue;
      }
      if (bytes > 0) memcpy(copy, buffer, static_cast<size_t>(bytes));
      DelayedMessage m;
      m.send_step = GameManager::getInstance().getStepCount() + m_delay[i];
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
      if (m_queue[i].delayed.front().send_step > step) break;
      DelayedMessage m = m_queue[i].delayed.front();
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
  if (m_queue[sock_index].pending() > 0) return holdOutput(sock_index, p, bytes, false);

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
  if (sent == bytes) return 0;
  if (code != 0 && platform::isWouldBlock(code))
    return holdOutput(sock_index, p + sent, bytes - sent, sent > 0);

  if (sent == 0) {
    lm.writeLog("NetworkManager::send(): Error! Return is -1.");
    logSocketError(code);
    if (platform::isConnectionGone(code)) {
      lm.writeLog(1, "\tsocket is closed");
      close(sock_index);
    }
    return -1;
  }

  lm.writeLog("NetworkManager::send(): Warning! %d of %d bytes sent.", sent, bytes);
  if (code != 0) logSocketError(code);
  lm.writeLog("NetworkManager::send(): Error! Message cut short, closing socket %d.", sock_index);
  close(sock_index);
  return -1;
}

int NetworkManager::holdOutput(int sock_index, const char *p, int bytes, bool started) {
  LogManager &lm = LogManager::getInstance();
  SendQueue &q = m_queue[sock_index];
  size_t pending = q.pending();
  if (pending > 0 && uint64_t(pending) + uint64_t(bytes) > uint64_t(MAX_PENDING_OUTPUT)) {
    lm.writeLog(
        "NetworkManager::send(): Error! Socket %d is not reading: %llu bytes wait to go out (most "
        "%d). Closing it.",
        sock_index, static_cast<unsigned long long>(pending), MAX_PENDING_OUTPUT);
    close(sock_index);
    return -1;
  }
  try {
    if (q.out_at > 0 && q.out_at >= q.out.size() / 2) {
      q.out.erase(q.out.begin(), q.out.begin() + static_cast<std::ptrdiff_t>(q.out_at));
      q.out_at = 0;
    }
    q.out.insert(q.out.end(), p, p + bytes);
  } catch (const std::bad_alloc &) {
    lm.writeLog("NetworkManager::send(): Error! Cannot hold %d bytes for socket %d.", bytes,
                sock_index);
    // Part of the message is out: the rest of the stream would be out of step.
    if (started) close(sock_index);
    return -1;
  }
  if (pending == 0) q.last_taken_us = platform::nowMicros();
  lm.writeLog(20, "NetworkManager::send(): Socket %d holds %llu bytes for later steps.",
              sock_index, static_cast<unsigned long long>(q.pending()));
  return 0;
}

int NetworkManager::flushOutput(int sock_index) {
  LogManager &lm = LogManager::getInstance();
  SendQueue &q = m_queue[sock_index];
  if (q.pending() == 0) return 0;
  int fd = m_sock[sock_index];
  int code = 0;
  int interrupts = 0;
  while (q.pending() > 0) {
    size_t chunk = q.pending() > size_t(1 << 30) ? size_t(1 << 30) : q.pending();
    int n = platform::socketSend(fd, q.out.data() + q.out_at, static_cast<int>(chunk));
    if (n > 0) {
      q.out_at += static_cast<size_t>(n);
      q.last_taken_us = platform::nowMicros();
      continue;
    }
    code = n < 0 ? platform::socketError() : 0;
    if (n < 0 && platform::isInterrupted(code) && ++interrupts <= SEND_MAX_INTERRUPTS) continue;
    break;
  }
  if (q.pending() == 0) {
    q.out.clear();
    q.out_at = 0;
    return 0;
  }
  if (code != 0 && !platform::isWouldBlock(code)) {
    // The stream ends mid-message: nothing more can go out in step.
    lm.writeLog("NetworkManager::send(): Error! Return is -1.");
    logSocketError(code);
    if (platform::isConnectionGone(code)) lm.writeLog(1, "\tsocket is closed");
    close(sock_index);
    return -1;
  }
  int64_t stalled_ms = (platform::nowMicros() - q.last_taken_us) / 1000;
  if (stalled_ms >= MAX_SEND_STALL_MS) {
    lm.writeLog(
        "NetworkManager::send(): Error! Socket %d took nothing for %lld ms (%llu bytes wait). "
        "Closing it.",
        sock_index, static_cast<long long>(stalled_ms),
        static_cast<unsigned long long>(q.pending()));
    close(sock_index);
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
