#pragma once
// The message framing: a 4-byte length L, itself included, in the sender's
// byte order, then L - 4 bytes of payload. send adds nothing; the sender
// builds each message whole.

#include <cstdint>

namespace vx {

// Largest message genDataEvents accepts, its 4-byte length included; also
// the most a connection holds of a message that has partly arrived.
const int MAX_MESSAGE_SIZE = 64 * 1024;

// A length a peer of this engine reads: 4 to MAX_MESSAGE_SIZE.
bool isMessageLength(int32_t length);

// Where the bytes that went out on a socket stand in the message framing,
// so that a message no peer of this engine reads is told of when it starts.
class OutgoingFrames {
 private:
  char m_head[4] = {};
  int m_head_bytes = 0;         // bytes of the next length field seen so far
  int64_t m_body_left = 0;      // bytes of the current message still to come
  bool m_out_of_step = false;   // a bad length was sent: no further checks

 public:
  // Follows bytes going out on socket sock_index; tells of a bad length once.
  void follow(int sock_index, const char *p, int bytes);
};

// Delivers at most one whole waiting message on a socket as a DATA event.
// 1 delivered, 0 no whole message waiting (a peer that left between
// messages is closed), -1 on error (a bad length, or a peer that left in
// the middle of a message, closes the socket).
int genDataEvents(int sock_index);

} // namespace vx
