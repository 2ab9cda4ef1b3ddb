#pragma once

#include "core/Event.h"
#include "display/Path.h"

namespace vx {

const std::string EVENT_PATH = "vx-path";

// How a path search ended.
enum PathResult {
  NO_PATH = 0,
  SEARCHING = 1,
  FOUND = 2,
};

// Sent by the path manager to the searching object when its search ends.
class EventPath : public Event {
 private:
  int m_result;
  Path m_path;

 public:
  EventPath();
  explicit EventPath(Path init_path);
  ~EventPath() override;

  Path getPath() const;
  int getResult() const;
  void setPath(Path new_path);
  void setResult(int new_result);
};

} // namespace vx
