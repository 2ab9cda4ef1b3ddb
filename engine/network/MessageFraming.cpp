#include "network/MessageFraming.h"

#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "core/LogManager.h"
#include "network/EventNetwork.h"
#include "network/NetworkManager.h"
#include "platform/Socket.h"

namespace vx {

bool isMessageLength(int32_t length) { return length >= 4 && length <= MAX_MESSAGE_SIZE; }

void OutgoingFrames::follow(int sock_index, const char *p, int bytes) {
  int64_t at = 0;
  while (at < bytes && !m_out_of_step) {
    if (m_body_left > 0) {
      int64_t take = bytes - at < m_body_left ? bytes - at : m_body_left;
      m_body_left -= take;
      at += take;
      continue;
    }
    m_head[m_head_bytes++] = p[at++];
    if (m_head_bytes < 4) continue;
    m_head_bytes = 0;
    int32_t length = 0;
    memcpy(&length, m_head, 4);
    if (!isMessageLength(length)) {
      LogManager::getInstance().writeLog(
          "NetworkManager::send(): Warning! Socket %d is sent a message length of %d: a peer of "
          "this engine reads 4 to %d and closes the connection.",
          sock_index, static_cast<int>(length), MAX_MESSAGE_SIZE);
      m_out_of_step = true;
      break;
    }
    m_body_left = length - 4;
  }
}

namespace {

// With no whole message waiting, after its start was taken in (stopped by
// the error code *p_code, 0: none): true when the peer has left and the
// socket is to be closed, once what it sent before leaving is read (upto
// bytes are needed for the next step), with the bytes still waiting in
// *p_waiting and the error that ended the connection, if any, in *p_code.
// An end between messages is the peer's ordinary one, which receive
// reports and closes: false.
bool peerLeft(NetworkManager &nm, int sock_index, int upto, int *p_code, int *p_waiting) {
  if (*p_code == 0 && platform::socketPeerGone(nm.getSocket(sock_index), p_code) != 1)
    return false;
  int waiting = nm.isData(sock_index);
  *p_waiting = waiting < 0 ? 0 : waiting;
  if (*p_waiting >= upto) return false;
  if (*p_waiting == 0 && *p_code == 0) {
    char c;
    nm.receive(&c, 1, true, sock_index);
    return false;
  }
  return true;
}

// Reads the whole waiting message of length bytes. The whole message is
// waiting, so this is one read; should the system hand it over in parts,
// the rest is read too so the stream stays in step. false with a line.
bool readMessage(NetworkManager &nm, int sock_index, char *p_buffer, int length) {
  int got = 0;
  int n = 0;
  while (got < length) {
    n = nm.receive(p_buffer + got, length - got, false, sock_index);
    if (n <= 0) break;
    got += n;
  }
  if (got == length) return true;
  // "Error!" is followed by two blanks in this line.
  LogManager::getInstance().writeLog("vx::genDataEvents(): Error!  Reading message.");
  // Part of a message was taken: what follows is out of step. (A read of 0
  // has closed the socket already.)
  if (got > 0 && n < 0) nm.close(sock_index);
  return false;
}

// Delivers the whole waiting message of length bytes. 1, or -1 with a line.
int deliver(NetworkManager &nm, int sock_index, int32_t length) {
  LogManager &lm = LogManager::getInstance();
  lm.writeLog(20, "vx::genDataEvents(): have full message (%d bytes).", static_cast<int>(length));
  std::vector<char> message;
  try {
    message.assign(static_cast<size_t>(length), '\0');
  } catch (const std::bad_alloc &) {
    lm.writeLog("vx::genDataEvents(): Error! Cannot allocate %d bytes for message buffer.",
                static_cast<int>(length));
    return -1;
  }
  if (!readMessage(nm, sock_index, message.data(), length)) return -1;

  EventNetwork ev(NetworkEventLabel::DATA);
  ev.setBytes(length);
  ev.setSocketIndex(sock_index);
  ev.setMessage(message.data());
  int count = nm.onEvent(&ev);
  lm.writeLog(20, "vx::genDataEvents(): sent to %d objects.", count);
  return 1;
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

  int32_t length = 4;
  if (waiting >= 4) {
    if (nm.receive(&length, 4, true, sock_index) != 4) {
      // "Error!" is followed by two blanks in this line.
      lm.writeLog("vx::genDataEvents(): Error!  Reading message.");
      return -1;
    }
    lm.writeLog(20, "vx::genDataEvents(): have %d of %d bytes.", waiting, static_cast<int>(length));
    if (!isMessageLength(length)) {
      // Not a frame: the stream cannot be read in step any more.
      lm.writeLog(
          "vx::genDataEvents(): Error! Bad message length %d (must be 4 to %d). Closing socket %d.",
          static_cast<int>(length), MAX_MESSAGE_SIZE, sock_index);
      nm.close(sock_index);
      return -1;
    }
    if (waiting >= length) return deliver(nm, sock_index, length);
  }

  // No whole message waiting: what has come of it (its length first) moves
  // into the connection's own buffer, so that the system's stays free to
  // take the rest.
  int code = 0;
  try {
    code = nm.holdInput(sock_index, length);
  } catch (const std::bad_alloc &) {
    lm.writeLog("vx::genDataEvents(): Error! Cannot allocate %d bytes for message buffer.",
                static_cast<int>(length));
    return -1;
  }
  if (!peerLeft(nm, sock_index, length, &code, &waiting)) return 0;
  // In the middle of a message, which can never be completed.
  if (code == 0) {
    lm.writeLog("vx::genDataEvents(): Socket %d closed by the peer, %d bytes of a message unread.",
                sock_index, waiting);
    nm.close(sock_index);
    return -1;
  }
  // The connection is down: what was on its way out is lost with it, and
  // counted in the line of the cause.
  std::string lost = nm.lostOutputText(sock_index);
  if (waiting == 0)
    lm.writeLog("vx::genDataEvents(): Error! Socket %d lost%s:", sock_index, lost.c_str());
  else
    lm.writeLog("vx::genDataEvents(): Error! Socket %d lost, %d bytes of a message unread%s:",
                sock_index, waiting, lost.c_str());
  logSocketError(code);
  nm.closeSockets(sock_index, true);
  return -1;
}

} // namespace vx
