#include "network/SocketError.h"

#include <string>

#include "core/LogManager.h"
#include "platform/Socket.h"

namespace vx {

void logSocketError(int code) {
  std::string text = platform::socketErrorText(code);
  size_t cut = text.find_first_of("\r\n");
  if (cut != std::string::npos) text.erase(cut);
  if (text.empty()) return;
  LogManager::getInstance().writeLog("\t%d - %s", code, text.c_str());
}

} // namespace vx
