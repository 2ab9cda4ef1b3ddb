#pragma once

#include <string>

#include "core/Event.h"
#include "core/EventOwner.h"

namespace vx {

// EVENT_NETWORK is the one network type that is sent; the others
// (core/EventOwner.h) may be registered for.

namespace NetworkEventLabel {
enum Label {
  UNDEFINED = -1,
  ACCEPT = 0,   // a client connected to this server
  CONNECT = 1,  // this program connected to a server
  CLOSE = 2,    // a socket was closed
  DATA = 3,     // a whole message arrived
};
} // namespace NetworkEventLabel

// Connection news and received messages.
class EventNetwork : public Event {
 private:
  int m_label;
  int m_socket_index;
  int m_bytes;
  const char *m_p_message;  // whole message, length included; not owned

 public:
  explicit EventNetwork(int label);
  ~EventNetwork() override;

  // -1..3 are kept; anything else logs and becomes UNDEFINED. Clears the message.
  void setLabel(int label);
  int getLabel() const;

  void setSocketIndex(int socket_index);
  int getSocketIndex() const;

  void setBytes(int bytes);
  int getBytes() const;

  void setMessage(const char *p_message);
  const char *getMessage() const;
};

} // namespace vx
