#include "network/EventNetwork.h"

#include "core/LogManager.h"

namespace vx {

EventNetwork::EventNetwork(int label)
    : m_label(NetworkEventLabel::UNDEFINED), m_socket_index(-1), m_bytes(0),
      m_p_message(nullptr) {
  setType(EVENT_NETWORK);
  setLabel(label);
}

EventNetwork::~EventNetwork() {}

void EventNetwork::setLabel(int label) {
  switch (label) {
    case NetworkEventLabel::UNDEFINED:
    case NetworkEventLabel::ACCEPT:
    case NetworkEventLabel::CONNECT:
    case NetworkEventLabel::CLOSE:
    case NetworkEventLabel::DATA:
      m_label = label;
      break;
    default:
      LogManager::getInstance().writeLog("EventNetwork::setLabel(): Undefined type (%d).", label);
      m_label = NetworkEventLabel::UNDEFINED;
      break;
  }
  m_p_message = nullptr;
}

int EventNetwork::getLabel() const { return m_label; }

void EventNetwork::setSocketIndex(int socket_index) { m_socket_index = socket_index; }

int EventNetwork::getSocketIndex() const { return m_socket_index; }

void EventNetwork::setBytes(int bytes) { m_bytes = bytes; }

int EventNetwork::getBytes() const { return m_bytes; }

void EventNetwork::setMessage(const char *p_message) { m_p_message = p_message; }

const char *EventNetwork::getMessage() const { return m_p_message; }

} // namespace vx
