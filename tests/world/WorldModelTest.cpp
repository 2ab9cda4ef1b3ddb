// The world against a plain model of its lists: insertion-ordered object
// lists, grid cells and collision candidates, updated by each operation and
// compared with the engine's lists, cells, queries and collision events
// after every one of a few thousand random operations.

#include <algorithm>
#include <cmath>
#include <map>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "world/Geometry.h"
#include "world/WorldFixture.h"

using namespace vx;
using world_test::Probe;
using world_test::WorldTest;

namespace {

const float WORLD_W = 80, WORLD_H = 24;
const int CELL_W = 20, CELL_H = 8;
const int COLS = 4, ROWS = 3;

struct Rect {
  float x0, y0, x1, y1;
};

bool meets(const Rect &a, const Rect &b) { return a.x0 <= b.x1 && b.x0 <= a.x1 && a.y0 <= b.y1 && b.y0 <= a.y1; }

typedef std::vector<Object *> Seq;

void dropFirst(Seq &s, Object *p) {
  auto it = std::find(s.begin(), s.end(), p);
  if (it != s.end()) s.erase(it);
}

Seq items(const ObjectList &l) {
  Seq v;
  for (int i = 0; i < l.getCount(); i++) v.push_back(l[i]);
  return v;
}

std::string ids(const Seq &s) {
  std::string out;
  for (Object *p : s) out += std::to_string(p->getId()) + " ";
  return out;
}

// What the model knows of one object.
struct Attr {
  Vector pos;
  Box box;
  int solidness;
  bool active, visible;
  int altitude;
  std::string type;
};

class Model {
 public:
  std::map<Object *, Attr> attr;
  Seq objects, inactive, solid, visible[MAX_ALTITUDE + 1];
  std::map<std::string, Seq> types;
  std::map<Cell, Seq> cells;  // (-1,-1): out of bounds
  std::vector<std::string> events;

  Rect rectAt(Object *p, Vector where) const {
    const Attr &a = attr.at(p);
    Rect r;
    r.x0 = a.box.getCorner().getX() + where.getX();
    r.y0 = a.box.getCorner().getY() + where.getY();
    r.x1 = r.x0 + a.box.getHorizontal();
    r.y1 = r.y0 + a.box.getVertical();
    return r;
  }

  // The cells a box covers, in set order.
  std::set<Cell> cellsAt(Object *p, Vector where) const {
    Rect r = rectAt(p, where);
    int c0 = (int)std::floor(r.x0 / (float)CELL_W), c1 = (int)std::floor(r.x1 / (float)CELL_W);
    int r0 = (int)std::floor(r.y0 / (float)CELL_H), r1 = (int)std::floor(r.y1 / (float)CELL_H);
    std::set<Cell> s;
    if (r0 < 0 || c0 < 0 || r1 >= ROWS || c1 >= COLS) s.insert(Cell(-1, -1));
    for (int row = std::max(r0, 0); row <= std::min(r1, ROWS - 1); row++)
      for (int col = std::max(c0, 0); col <= std::min(c1, COLS - 1); col++) s.insert(Cell(row, col));
    return s;
  }

  bool isSolid(Object *p) const { return attr.at(p).solidness != SPECTRAL; }

  void gridInsert(Object *p) {
    for (const Cell &c : cellsAt(p, attr[p].pos)) cells[c].push_back(p);
  }
  void gridRemove(Object *p) {
    for (const Cell &c : cellsAt(p, attr[p].pos)) dropFirst(cells[c], p);
  }

  void sgInsert(Object *p) {
    Attr &a = attr[p];
    if (!a.active) {
      inactive.push_back(p);
      return;
    }
    objects.push_back(p);
    types[a.type].push_back(p);
    if (isSolid(p)) {
      solid.push_back(p);
      gridInsert(p);
    }
    if (a.visible) visible[a.altitude].push_back(p);
  }

  void sgRemove(Object *p) {
    Attr &a = attr[p];
    if (!a.active) {
      dropFirst(inactive, p);
      return;
    }
    dropFirst(objects, p);
    dropFirst(types[a.type], p);
    if (a.visible) dropFirst(visible[a.altitude], p);
    if (isSolid(p)) {
      dropFirst(solid, p);
      gridRemove(p);
    }
  }

  void create(Object *p) {
    attr[p] = Attr{Vector(1, 1), Box(Vector(-0.5f, -0.5f), 0.99f, 0.99f), HARD, true, true, 2, "(Undefined)"};
    sgInsert(p);
  }

  void destroy(Object *p) {
    sgRemove(p);
    attr.erase(p);
  }

  void setType(Object *p, const std::string &t) {
    Attr &a = attr[p];
    if (a.active) {
      dropFirst(types[a.type], p);
      types[t].push_back(p);
    }
    a.type = t;
  }

  void setActive(Object *p, bool on) {
    Attr &a = attr[p];
    if (a.active == on) return;
    if (!on) {
      sgRemove(p);
      a.active = false;
      inactive.push_back(p);
    } else {
      a.active = true;
      dropFirst(inactive, p);
      // Appended to the same lists as an insertion, in the same order.
      objects.push_back(p);
      types[a.type].push_back(p);
      if (a.visible) visible[a.altitude].push_back(p);
      if (isSolid(p)) {
        solid.push_back(p);
        gridInsert(p);
      }
    }
  }

  void setVisible(Object *p, bool on) {
    Attr &a = attr[p];
    if (a.visible == on) return;
    if (a.active) {
      if (on)
        visible[a.altitude].push_back(p);
      else
        dropFirst(visible[a.altitude], p);
    }
    a.visible = on;
  }

  void setAltitude(Object *p, int alt) {
    Attr &a = attr[p];
    if (a.altitude == alt) return;
    if (a.active && a.visible) {
      dropFirst(visible[a.altitude], p);
      visible[alt].push_back(p);
    }
    a.altitude = alt;
  }

  void setSolidness(Object *p, int s) {
    Attr &a = attr[p];
    if (a.solidness == s) return;
    if (a.active) {
      if (isSolid(p) && s == SPECTRAL) {
        dropFirst(solid, p);
        gridRemove(p);
      } else if (!isSolid(p) && s != SPECTRAL) {
        a.solidness = s;
        solid.push_back(p);
        gridInsert(p);
      }
    }
    a.solidness = s;
  }

  void setPosition(Object *p, Vector where) {
    Attr &a = attr[p];
    if (a.pos == where) return;
    if (a.active && isSolid(p)) {
      std::set<Cell> from = cellsAt(p, a.pos), to = cellsAt(p, where);
      for (const Cell &c : from)
        if (!to.count(c)) dropFirst(cells[c], p);
      for (const Cell &c : to)
        if (!from.count(c)) cells[c].push_back(p);
    }
    a.pos = where;
  }

  void setBox(Object *p, Box b) {
    if (attr[p].box == b) return;
    sgRemove(p);
    attr[p].box = b;
    sgInsert(p);
  }

  // Candidates of the covered cells in cell order, first occurrences kept,
  // then those that meet the box at where.
  Seq collisions(Object *p, Vector where) const {
    Seq candidates;
    for (const Cell &c : cellsAt(p, where)) {
      auto it = cells.find(c);
      if (it == cells.end()) continue;
      for (Object *q : it->second)
        if (std::find(candidates.begin(), candidates.end(), q) == candidates.end()) candidates.push_back(q);
    }
    Seq out;
    Rect r = rectAt(p, where);
    for (Object *q : candidates)
      if (q != p && meets(r, rectAt(q, attr.at(q).pos))) out.push_back(q);
    return out;
  }

  static std::string collisionEntry(Object *receiver, Object *a, Object *b) {
    return std::to_string(receiver->getId()) + ":" + EVENT_COLLISION + ":" + std::to_string(a->getId()) + ":" +
           std::to_string(b->getId());
  }

  // The move rules for probes that neither avoid obstacles nor react.
  int move(Object *p, Vector where) {
    if (isSolid(p)) {
      Seq list = collisions(p, where);
      bool do_move = true;
      for (Object *q : list) {
        events.push_back(collisionEntry(p, p, q));
        events.push_back(collisionEntry(q, p, q));
        if (attr[p].solidness == HARD && attr[q].solidness == HARD) do_move = false;
      }
      if (!do_move) return -1;
    }
    Rect world{0, 0, WORLD_W, WORLD_H};
    bool was_in = meets(rectAt(p, attr[p].pos), world);
    setPosition(p, where);
    if (was_in && !meets(rectAt(p, where), world)) events.push_back(std::to_string(p->getId()) + ":" + EVENT_OUT);
    return 0;
  }

  Seq inBox(const Box &b) const {
    Rect r{b.getCorner().getX(), b.getCorner().getY(), b.getCorner().getX() + b.getHorizontal(),
           b.getCorner().getY() + b.getVertical()};
    Seq out;
    for (Object *p : objects)
      if (meets(r, rectAt(p, attr.at(p).pos))) out.push_back(p);
    return out;
  }
};

class WorldModelTest : public WorldTest {
 protected:
  Model model;
  std::mt19937 rng{20261209};

  int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }
  // Positions on a quarter-cell lattice, so that edges often touch exactly.
  float coord(float lo, float hi) { return lo + 0.25f * (float)pick((int)((hi - lo) * 4) + 1); }
  Vector position() { return Vector(coord(-4, WORLD_W + 4), coord(-4, WORLD_H + 4)); }

  Seq all;  // live objects in creation order, for a repeatable pick

  Object *any() { return all.empty() ? nullptr : all[pick((int)all.size())]; }

  std::string compare() {
    std::string out;
    SceneGraph &sg = wm().getSceneGraph();
    auto same = [&](const std::string &what, const Seq &want, const ObjectList &have) {
      if (items(have) != want) out += what + ": want " + ids(want) + "have " + ids(items(have)) + "\n";
    };
    same("objects", model.objects, sg.activeObjects());
    same("inactive", model.inactive, sg.inactiveObjects());
    same("solid", model.solid, sg.solidObjects());
    for (int a = 0; a <= MAX_ALTITUDE; a++) same("visible " + std::to_string(a), model.visible[a], sg.visibleObjects(a));
    for (auto &t : model.types) same("type " + t.first, t.second, sg.objectsOfType(t.first));
    const Grid &grid = sg.getGrid();
    for (int r = 0; r < ROWS; r++)
      for (int c = 0; c < COLS; c++)
        same("cell " + std::to_string(r) + "," + std::to_string(c), model.cells[Cell(r, c)],
             grid.getObjects(Cell(r, c)));
    same("out of bounds", model.cells[Cell(-1, -1)], grid.getObjects(Cell(-1, -1)));
    std::vector<std::string> &log = world_test::eventLog();
    if (log != model.events) {
      out += "events differ:";
      for (auto &e : model.events) out += " " + e;
      out += " / have";
      for (auto &e : log) out += " " + e;
      out += "\n";
    }
    return out;
  }

  void step(int kind) {
    Object *p = any();
    if (kind == 0 || !p) {
      Probe *o = new Probe("T" + std::to_string(pick(3)));
      model.create(o);
      model.setType(o, o->getType());
      all.push_back(o);
      return;
    }
    switch (kind) {
      case 1: {
        Vector where = model.attr[p].pos + Vector(coord(-2, 2), coord(-2, 2));
        if (pick(4) == 0) where = position();
        int want = model.move(p, where);
        EXPECT_EQ(want, wm().moveObject(p, where));
        break;
      }
      case 2: {
        Vector where = position();
        model.setPosition(p, where);
        p->setPosition(where);
        break;
      }
      case 3: {
        int s = pick(3);
        model.setSolidness(p, s);
        p->setSolidness(static_cast<Solidness>(s));
        break;
      }
      case 4: {
        bool on = pick(3) != 0;
        model.setActive(p, on);
        p->setActive(on);
        break;
      }
      case 5: {
        bool on = pick(3) != 0;
        model.setVisible(p, on);
        p->setVisible(on);
        break;
      }
      case 6: {
        int alt = pick(MAX_ALTITUDE + 1);
        model.setAltitude(p, alt);
        p->setAltitude(alt);
        break;
      }
      case 7: {
        std::string t = "T" + std::to_string(pick(3));
        model.setType(p, t);
        p->setType(t);
        break;
      }
      case 8: {
        // Boxes from a fraction of a cell to more than one cell each way.
        Box b(Vector(coord(-3, 0), coord(-3, 0)), coord(0.25f, 30), coord(0.25f, 12));
        if (pick(3) == 0) b = Box(Vector(-0.5f, -0.5f), 0.99f, 0.99f);
        model.setBox(p, b);
        p->setBox(b);
        break;
      }
      case 9: {
        // Some objects get a velocity; a step moves them and deletes the marked.
        if (pick(2)) p->setVelocity(Vector(coord(-1, 1), coord(-1, 1)));
        Seq marked;
        for (int k = pick(3); k > 0; k--) {
          Object *q = any();
          if (!q) break;
          wm().markForDelete(q);
          if (std::find(marked.begin(), marked.end(), q) == marked.end()) marked.push_back(q);
        }
        Seq active = model.objects;
        for (Object *q : active) {
          Vector next = q->predictPosition();
          if (next != model.attr[q].pos) model.move(q, next);
        }
        wm().update();
        for (Object *q : marked) {
          model.destroy(q);
          dropFirst(all, q);
        }
        break;
      }
    }
  }

  // Queries against the model at random places.
  std::string queries() {
    std::string out;
    for (int k = 0; k < 3; k++) {
      Object *p = any();
      if (!p) break;
      Vector where = position();
      Seq want = model.collisions(p, where);
      Seq have = items(wm().getCollisions(p, where));
      if (want != have) out += "collisions of " + std::to_string(p->getId()) + ": want " + ids(want) + "have " + ids(have) + "\n";
      Box b(position(), coord(0, 30), coord(0, 10));
      if (items(wm().objectsInBox(b)) != model.inBox(b)) out += "objectsInBox differs\n";
      if (wm().objectWithId(p->getId()) != p) out += "objectWithId misses " + std::to_string(p->getId()) + "\n";
    }
    return out;
  }
};

} // namespace

TEST_F(WorldModelTest, ListsCellsQueriesAndEventsFollowTheModel) {
  // Kinds weighted toward moves, the hot path; every few operations a step.
  const int weights[] = {6, 30, 8, 6, 5, 4, 4, 4, 5, 3};
  std::discrete_distribution<int> kind(std::begin(weights), std::end(weights));
  for (int i = 0; i < 4000; i++) {
    // Keep the population between about 20 and 60 objects.
    int k = kind(rng);
    if (model.attr.size() < 20) k = 0;
    if (model.attr.size() > 60 && k == 0) k = 9;
    step(k);
    std::string diff = compare() + queries();
    ASSERT_EQ("", diff) << "after operation " << i << " (kind " << k << ")";
    world_test::eventLog().clear();
    model.events.clear();
  }
  // Ids that were deleted are no longer found.
  int max_id = 0;
  for (auto &e : model.attr) max_id = std::max(max_id, e.first->getId());
  for (int id = 1; id <= max_id; id++) {
    bool live = false;
    for (auto &e : model.attr) live = live || e.first->getId() == id;
    if (!live) {
      EXPECT_EQ(nullptr, wm().objectWithId(id)) << id;
    }
  }
  EXPECT_WORLD_OK();
}
