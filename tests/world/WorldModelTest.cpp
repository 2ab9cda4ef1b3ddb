// The world against a plain model of its lists: insertion-ordered object
// lists, grid cells and collision candidates, updated by each operation and
// compared with the engine's lists, cells, queries and collision events
// after every one of a few thousand random operations, for several seeds.
// Collision handlers act on the world too (move, re-solidify, deactivate,
// re-box, re-id, mark or move again, on themselves or on the other object,
// or spawn a new object), destructors mark a partner, movers avoid
// obstacles, refuse soft ones and accelerate, objects are taken out of the
// world, changed and entered again, ids are shared and changed, and the
// boundary and the grid's cell size change under the populated world.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "support/ListItems.h"
#include "world/WorldFixture.h"

using namespace vx;
using vx::test::items;
using world_test::Probe;
using world_test::WorldTest;

namespace {

const float WORLD_W = 80, WORLD_H = 24;
const int CELL_W = 20, CELL_H = 8;

struct Rect {
  float x0, y0, x1, y1;
};

bool meets(const Rect &a, const Rect &b) { return a.x0 <= b.x1 && b.x0 <= a.x1 && a.y0 <= b.y1 && b.y0 <= a.y1; }

typedef std::vector<Object *> Seq;

void dropFirst(Seq &s, Object *p) {
  auto it = std::find(s.begin(), s.end(), p);
  if (it != s.end()) s.erase(it);
}

std::string ids(const Seq &s) {
  std::string out;
  for (Object *p : s) out += std::to_string(p->getId()) + " ";
  return out;
}

// What an object does when a collision reaches it, at most `budget` times:
// to itself, to the other object, or a new object of its making.
enum Act {
  ACT_NONE,
  ACT_STEP_ASIDE,
  ACT_SOLIDNESS,
  ACT_DEACTIVATE,
  ACT_BOX,
  ACT_ID,
  ACT_MARK,
  ACT_MOVE,
  ACT_OTHER_STEP,
  ACT_OTHER_SOLIDNESS,
  ACT_OTHER_DEACTIVATE,
  ACT_OTHER_MARK,
  ACT_SPAWN,
  ACT_PARK,
  ACT_OTHER_PARK,
  ACT_COUNT
};

struct Habit {
  int act = ACT_NONE;
  Vector offset;
  int solidness = HARD;
  Box box;
  int budget = 0;
};

// What the model knows of one object.
struct Attr {
  Vector pos;
  Box box;
  int solidness;
  bool active, visible;
  int altitude;
  std::string type;
  int id;
  Vector direction;
  float speed;
  Habit habit;
  bool held = true;  // in the world (not taken out)
  bool avoid = false, no_soft = false;
  Vector accel;
  Object *partner = nullptr;  // marked by this object's destructor
};

// The id the next object gets.
struct NextId : Object {
  static int value() { return s_next_id; }
};

class Model {
 public:
  std::map<Object *, Attr> attr;
  Seq objects, inactive, solid, visible[MAX_ALTITUDE + 1];
  std::map<std::string, Seq> types;
  std::map<Cell, Seq> cells;  // (-1,-1): out of bounds
  std::vector<std::string> events;
  Seq marked;  // for deletion at the end of the next step
  Seq spawned;  // stand-ins for objects made by handlers, until named
  int next_id = 0;
  Box boundary{Vector(0, 0), WORLD_W, WORLD_H};
  int cell_w = CELL_W, cell_h = CELL_H;
  int cols = 4, rows = 3;

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
    int c0 = (int)std::floor(r.x0 / (float)cell_w), c1 = (int)std::floor(r.x1 / (float)cell_w);
    int r0 = (int)std::floor(r.y0 / (float)cell_h), r1 = (int)std::floor(r.y1 / (float)cell_h);
    std::set<Cell> s;
    if (r0 < 0 || c0 < 0 || r1 >= rows || c1 >= cols) s.insert(Cell(-1, -1));
    for (int row = std::max(r0, 0); row <= std::min(r1, rows - 1); row++)
      for (int col = std::max(c0, 0); col <= std::min(c1, cols - 1); col++) s.insert(Cell(row, col));
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
    if (!a.held) return;
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
    if (!a.held) return;
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

  void create(Object *p, int id, const std::string &type, const Habit &habit) {
    Attr a;
    a.pos = Vector(1, 1);
    a.box = Box(Vector(-0.5f, -0.5f), 0.99f, 0.99f);
    a.solidness = HARD;
    a.active = a.visible = true;
    a.altitude = 2;
    a.type = "(Undefined)";
    a.id = id;
    a.speed = 0;
    a.habit = habit;
    attr[p] = a;
    sgInsert(p);
    setType(p, type);
  }

  // Links to the object go; its destructor marks its partner.
  void destroy(Object *p) {
    sgRemove(p);
    Object *partner = attr[p].partner;
    attr.erase(p);
    for (auto &e : attr)
      if (e.second.partner == p) e.second.partner = nullptr;
    if (partner) mark(partner);
  }

  // Out of the world: in no list, and no longer marked.
  void park(Object *p) {
    sgRemove(p);
    attr[p].held = false;
    dropFirst(marked, p);
  }

  void unpark(Object *p) {
    attr[p].held = true;
    sgInsert(p);
  }

  // A handler's new object, under a stand-in until the engine's is known.
  void spawn(const std::string &type, int solidness, Vector where) {
    Object *p = reinterpret_cast<Object *>(static_cast<uintptr_t>(0x1000 + 16 * spawned.size()));
    spawned.push_back(p);
    create(p, next_id++, type, Habit());
    setSolidness(p, solidness);
    setPosition(p, where);
  }

  // The stand-in becomes the engine's object everywhere.
  void rename(Object *from, Object *to) {
    auto sub = [&](Seq &s) { std::replace(s.begin(), s.end(), from, to); };
    for (Seq *s : {&objects, &inactive, &solid, &marked}) sub(*s);
    for (Seq &s : visible) sub(s);
    for (auto &t : types) sub(t.second);
    for (auto &c : cells) sub(c.second);
    for (auto &e : attr)
      if (e.second.partner == from) e.second.partner = to;
    auto it = attr.find(from);
    if (it == attr.end()) return;
    attr[to] = it->second;
    attr.erase(from);
  }

  void mark(Object *p) {
    if (std::find(marked.begin(), marked.end(), p) == marked.end()) marked.push_back(p);
  }

  // The first active object with the id, else the first inactive one.
  Object *withId(int id) const {
    for (Object *p : objects)
      if (attr.at(p).id == id) return p;
    for (Object *p : inactive)
      if (attr.at(p).id == id) return p;
    return nullptr;
  }

  void layOut() {
    cols = (int)std::ceil((double)(boundary.getHorizontal() / (float)cell_w));
    rows = (int)std::ceil((double)(boundary.getVertical() / (float)cell_h));
  }

  // A new boundary restarts the grid and the type map and files every
  // object again: types in list order, the grid in solid order.
  void setBoundary(const Box &b) {
    if (b == boundary) return;
    boundary = b;
    layOut();
    types.clear();
    for (Object *p : objects) types[attr[p].type].push_back(p);
    refile();
  }

  // A new cell size files the solid objects again, in solid order.
  void setCellSize(int w, int h) {
    if (w == cell_w && h == cell_h) return;
    cell_w = w;
    cell_h = h;
    layOut();
    refile();
  }

  void refile() {
    cells.clear();
    for (Object *p : solid) gridInsert(p);
  }

  void setType(Object *p, const std::string &t) {
    Attr &a = attr[p];
    if (a.held && a.active) {
      dropFirst(types[a.type], p);
      types[t].push_back(p);
    }
    a.type = t;
  }

  void setActive(Object *p, bool on) {
    Attr &a = attr[p];
    if (a.active == on) return;
    if (!a.held) {
      a.active = on;
    } else if (!on) {
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
    if (a.held && a.active) {
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
    if (a.held && a.active && a.visible) {
      dropFirst(visible[a.altitude], p);
      visible[alt].push_back(p);
    }
    a.altitude = alt;
  }

  void setSolidness(Object *p, int s) {
    Attr &a = attr[p];
    if (a.solidness == s) return;
    if (a.held && a.active) {
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
    if (a.held && a.active && isSolid(p)) {
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

  std::string collisionEntry(Object *receiver, Object *a, Object *b) const {
    return std::to_string(attr.at(receiver).id) + ":" + EVENT_COLLISION + ":" + std::to_string(attr.at(a).id) +
           ":" + std::to_string(attr.at(b).id);
  }

  // The receiver's habit, as its handler acts on the engine.
  void react(Object *r, Object *other) {
    Habit h = attr[r].habit;
    if (h.budget <= 0) return;
    attr[r].habit.budget--;
    switch (h.act) {
      case ACT_STEP_ASIDE: setPosition(r, attr[r].pos + h.offset); break;
      case ACT_SOLIDNESS: setSolidness(r, h.solidness); break;
      case ACT_DEACTIVATE: setActive(r, false); break;
      case ACT_BOX: setBox(r, h.box); break;
      case ACT_ID: attr[r].id = attr[other].id; break;
      case ACT_MARK: mark(r); break;
      case ACT_MOVE: move(r, attr[r].pos + h.offset); break;
      case ACT_OTHER_STEP: setPosition(other, attr[other].pos + h.offset); break;
      case ACT_OTHER_SOLIDNESS: setSolidness(other, h.solidness); break;
      case ACT_OTHER_DEACTIVATE: setActive(other, false); break;
      case ACT_OTHER_MARK: mark(other); break;
      case ACT_SPAWN: spawn("Spawn", h.solidness, attr[r].pos + h.offset); break;
      case ACT_PARK: park(r); break;
      case ACT_OTHER_PARK: park(other); break;
    }
  }

  // The unit-grid normal of the mover against q: the last free place on the
  // way along its velocity (seven halvings), then the first side of q's box
  // (top, bottom, left, right, then the corners) that place touches.
  Vector normal(Object *p, Object *q) {
    Attr &a = attr[p];
    Vector vel = a.direction;
    vel.scale(a.speed);
    Vector last_free = a.pos;
    Rect other = rectAt(q, attr[q].pos);
    float fraction = 0.5f;
    for (int i = 1; i <= 7; i++) {
      Vector v = vel;
      v.scale(fraction);
      Vector test = a.pos + v;
      float half = static_cast<float>(std::pow(0.5, i));
      if (meets(rectAt(p, test), other)) {
        fraction -= half;
      } else {
        last_free = test;
        fraction += half;
      }
    }
    Rect f = rectAt(p, last_free);
    float x = other.x0, y = other.y0, w = attr[q].box.getHorizontal(), h = attr[q].box.getVertical();
    const float sides[8][4] = {{x, y - h, 0, -1},     {x, y + h, 0, 1},      {x - w, y, -1, 0},
                               {x + w, y, 1, 0},      {x - w, y - h, -1, -1}, {x + w, y - h, 1, -1},
                               {x - w, y + h, -1, 1}, {x + w, y + h, 1, 1}};
    for (const auto &s : sides)
      if (meets(f, Rect{s[0], s[1], s[0] + w, s[1] + h})) return Vector(s[2], s[3]);
    return Vector(0, 0);
  }

  // The move rules: the avoiding slide, the events, what blocks. Out of the
  // world a move is the setter alone.
  int move(Object *p, Vector where) {
    if (!attr[p].held) {
      setPosition(p, where);
      return 0;
    }
    if (isSolid(p)) {
      Seq list = collisions(p, where);
      Object *hard = nullptr;
      if (!list.empty() && attr[p].solidness == HARD && attr[p].avoid)
        for (Object *q : list)
          if (!hard && attr[q].solidness == HARD) hard = q;
      if (hard) {
        Vector n = normal(p, hard);
        Vector d = attr[p].direction;
        Vector v(d.getX() * std::fabs(n.getY()), d.getY() * std::fabs(n.getX()));
        if (std::fabs(n.getX()) == 1 && std::fabs(n.getY()) == 1) v.setX(-v.getX());
        v.normalize();
        v.scale(attr[p].speed);
        where = attr[p].pos + v;
        list = collisions(p, where);
        for (Object *q : list)
          if (attr[q].solidness == HARD) return -1;
      }
      bool do_move = true;
      Vector before = attr[p].pos;
      // Only objects still in the world collide; one taken out blocks nothing.
      for (Object *q : list) {
        if (!attr[p].held) break;
        if (!attr[q].held) continue;
        events.push_back(collisionEntry(p, p, q));
        react(p, q);
        events.push_back(collisionEntry(q, p, q));
        react(q, p);
        if (!attr[q].held) continue;
        if (attr[p].solidness == HARD && attr[q].solidness == HARD) do_move = false;
        if (attr[p].no_soft && attr[q].solidness == SOFT) do_move = false;
      }
      if (attr[p].pos != before) do_move = false;
      if (!do_move) return -1;
      if (!attr[p].held) {
        setPosition(p, where);
        return 0;
      }
    }
    Vector c = boundary.getCorner();
    Rect world{c.getX(), c.getY(), c.getX() + boundary.getHorizontal(), c.getY() + boundary.getVertical()};
    bool was_in = meets(rectAt(p, attr[p].pos), world);
    setPosition(p, where);
    if (was_in && !meets(rectAt(p, where), world)) events.push_back(std::to_string(attr[p].id) + ":" + EVENT_OUT);
    return 0;
  }

  // One world step: each object of a copy of the active list (whatever
  // handlers do to it meanwhile) moves to its predicted place and
  // accelerates; then the marked objects go, and the partners they mark.
  Seq step() {
    Seq active = objects;
    for (Object *q : active) {
      Attr &a = attr[q];
      if (!a.held) continue;
      Vector v = a.direction;
      v.scale(a.speed);
      Vector next = a.pos + v;
      if (next != a.pos) move(q, next);
      if (!a.held) continue;
      if (a.accel != Vector(0, 0)) {
        Vector vel = a.direction;
        vel.scale(a.speed);
        vel = vel + a.accel;
        a.speed = vel.getMagnitude();
        vel.normalize();
        a.direction = vel;
      }
    }
    for (size_t k = 0; k < marked.size(); k++) destroy(marked[k]);
    Seq gone = marked;
    marked.clear();
    return gone;
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

class WorldModelTest : public WorldTest, public ::testing::WithParamInterface<unsigned> {
 protected:
  Model model;
  std::mt19937 rng{GetParam()};
  Seq all;  // objects made, in creation order, for a repeatable pick
  // The engine's side of the destructors' links.
  std::set<Object *> live;
  std::map<Object *, Object *> partner_of;
  Seq spawned;  // objects made by handlers during the running operation

  void TearDown() override {
    // Objects out of the world go back, for the shut-down to delete them.
    for (Object *p : all)
      if (!model.attr[p].held) wm().insertObject(p);
    // The grid outlives the test: its cell size goes back.
    wm().getSceneGraph().getGrid().setDimensions(CELL_W, CELL_H);
    WorldTest::TearDown();
  }

  int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }
  // Positions on a quarter-cell lattice, so that edges often touch exactly.
  float coord(float lo, float hi) { return lo + 0.25f * (float)pick((int)((hi - lo) * 4) + 1); }
  Vector position() { return Vector(coord(-4, WORLD_W + 4), coord(-4, WORLD_H + 4)); }

  Object *any() { return all.empty() ? nullptr : all[pick((int)all.size())]; }
  // One in the world (held) or out of it.
  Object *any(bool held) {
    Seq some;
    for (Object *p : all)
      if (model.attr[p].held == held) some.push_back(p);
    return some.empty() ? nullptr : some[pick((int)some.size())];
  }

  // A velocity, on the engine and in the model.
  void setVelocity(Object *p, Vector v) {
    p->setVelocity(v);
    model.attr[p].direction = p->getDirection();
    model.attr[p].speed = p->getSpeed();
  }

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
    if (grid.getNumCols() != model.cols || grid.getNumRows() != model.rows) out += "grid size differs\n";
    for (int r = 0; r < model.rows; r++)
      for (int c = 0; c < model.cols; c++)
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

  Habit habit() {
    Habit h;
    if (pick(2) != 0) return h;
    h.act = 1 + pick(ACT_COUNT - 1);
    h.budget = 1 + pick(3);
    h.offset = Vector(coord(-2, 2), coord(-2, 2));
    h.solidness = pick(3);
    h.box = Box(Vector(coord(-2, 0), coord(-2, 0)), coord(0.25f, 4), coord(0.25f, 4));
    return h;
  }

  // A new probe with the habit, acted on the engine by its handler; its
  // destructor marks its partner, if that still lives.
  Probe *born(const std::string &type, const Habit &h) {
    Probe *o = new Probe(type);
    live.insert(o);
    auto budget = std::make_shared<int>(h.budget);
    o->on_event = [this, h, budget](Probe *self, const Event *p_e) {
      if (p_e->getType() != EVENT_COLLISION || *budget <= 0) return;
      (*budget)--;
      auto p_c = static_cast<const EventCollision *>(p_e);
      Object *other = p_c->getObject1() == self ? p_c->getObject2() : p_c->getObject1();
      switch (h.act) {
        case ACT_STEP_ASIDE: self->setPosition(self->getPosition() + h.offset); break;
        case ACT_SOLIDNESS: self->setSolidness(static_cast<Solidness>(h.solidness)); break;
        case ACT_DEACTIVATE: self->setActive(false); break;
        case ACT_BOX: self->setBox(h.box); break;
        case ACT_ID: self->setId(other->getId()); break;
        case ACT_MARK: wm().markForDelete(self); break;
        case ACT_MOVE: wm().moveObject(self, self->getPosition() + h.offset); break;
        case ACT_OTHER_STEP: other->setPosition(other->getPosition() + h.offset); break;
        case ACT_OTHER_SOLIDNESS: other->setSolidness(static_cast<Solidness>(h.solidness)); break;
        case ACT_OTHER_DEACTIVATE: other->setActive(false); break;
        case ACT_OTHER_MARK: wm().markForDelete(other); break;
        case ACT_SPAWN: {
          Probe *child = born("Spawn", Habit());
          child->setSolidness(static_cast<Solidness>(h.solidness));
          child->setPosition(self->getPosition() + h.offset);
          spawned.push_back(child);
          break;
        }
        case ACT_PARK: wm().removeObject(self); break;
        case ACT_OTHER_PARK: wm().removeObject(other); break;
      }
    };
    o->on_delete = [this](Probe *self) {
      live.erase(self);
      Object *partner = partner_of[self];
      partner_of.erase(self);
      for (auto &e : partner_of)
        if (e.second == self) e.second = nullptr;
      if (partner && live.count(partner)) wm().markForDelete(partner);
    };
    return o;
  }

  void step(int kind) {
    Object *p = any();
    if (kind == 0 || !p) {
      Habit h = habit();
      std::string type = "T" + std::to_string(pick(3));
      Probe *o = born(type, h);
      model.create(o, o->getId(), type, h);
      // Half of them move, half of those avoiding obstacles.
      if (pick(2)) {
        setVelocity(o, Vector(coord(-1, 1), coord(-1, 1)));
        o->setAvoidCollisions(model.attr[o].avoid = pick(2) == 0);
      }
      if (p && pick(4) == 0) {
        model.attr[o].partner = p;
        partner_of[o] = p;
      }
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
        if (pick(2)) setVelocity(p, Vector(coord(-1, 1), coord(-1, 1)));
        for (int k = pick(3); k > 0; k--) {
          Object *q = any();
          wm().markForDelete(q);
          model.mark(q);
        }
        Seq gone = model.step();
        wm().update();
        for (Object *q : gone) dropFirst(all, q);
        break;
      }
      case 10: {
        // Boundaries moved, larger, smaller, off the origin or empty.
        const Box boxes[] = {Box(Vector(0, 0), WORLD_W, WORLD_H), Box(Vector(0, 0), 60, 20),
                             Box(Vector(0, 0), 100, 30), Box(Vector(5, 3), 80, 24), Box(Vector(0, 0), 0, 0)};
        Box b = boxes[pick(pick(8) == 0 ? 5 : 4)];
        model.setBoundary(b);
        wm().setBoundary(b);
        break;
      }
      case 11: {
        const int sizes[][2] = {{CELL_W, CELL_H}, {5, 3}, {1, 1}, {7, 5}, {40, 30}, {3, 12}};
        const int *size = sizes[pick(6)];
        model.setCellSize(size[0], size[1]);
        wm().getSceneGraph().getGrid().setDimensions(size[0], size[1]);
        break;
      }
      case 12: {
        // Another object's id (shared), or a large one (raising the next id).
        Object *q = any();
        int id = pick(2) ? model.attr[q].id : 100000 + pick(1000);
        model.attr[p].id = id;
        p->setId(id);
        break;
      }
      case 13: {
        // A mover that avoids obstacles, refuses soft ones, accelerates.
        Attr &a = model.attr[p];
        a.avoid = pick(2);
        a.no_soft = pick(3) == 0;
        a.accel = pick(2) ? Vector() : Vector(0.0625f * (pick(5) - 2), 0.0625f * (pick(5) - 2));
        p->setAvoidCollisions(a.avoid);
        p->setNoSoft(a.no_soft);
        p->setAcceleration(a.accel);
        setVelocity(p, Vector(coord(-1, 1), coord(-1, 1)));
        break;
      }
      case 14: {
        // Out of the world, for the setters above to change it there, or back.
        bool held = pick(2);
        Object *q = any(held);
        if (!q) break;
        if (held) {
          model.park(q);
          EXPECT_EQ(0, wm().removeObject(q));
        } else {
          model.unpark(q);
          EXPECT_EQ(0, wm().insertObject(q));
        }
        break;
      }
    }
  }

  // Names the objects handlers made, in the order made, and picks them too.
  void nameSpawned() {
    ASSERT_EQ(model.spawned.size(), spawned.size());
    for (size_t i = 0; i < spawned.size(); i++) {
      model.rename(model.spawned[i], spawned[i]);
      if (model.attr.count(spawned[i])) all.push_back(spawned[i]);
    }
    model.spawned.clear();
    spawned.clear();
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
      int id = model.attr[p].id;
      if (wm().objectWithId(id) != model.withId(id)) out += "objectWithId(" + std::to_string(id) + ") differs\n";
    }
    return out;
  }
};

} // namespace

TEST_P(WorldModelTest, ListsCellsQueriesAndEventsFollowTheModel) {
  // Kinds weighted toward moves, the hot path; every few operations a step.
  const int weights[] = {6, 30, 8, 6, 5, 4, 4, 4, 5, 4, 1, 1, 2, 3, 4};
  std::discrete_distribution<int> kind(std::begin(weights), std::end(weights));
  std::set<int> ids_used;
  for (int i = 0; i < 1500; i++) {
    // Keep the population between about 20 and 60 objects.
    int k = kind(rng);
    if (model.attr.size() < 20) k = 0;
    if (model.attr.size() > 60 && k == 0) k = 9;
    model.next_id = NextId::value();
    step(k);
    nameSpawned();
    for (auto &e : model.attr) ids_used.insert(e.second.id);
    std::string diff = compare() + queries();
    ASSERT_EQ("", diff) << "after operation " << i << " (kind " << k << ")";
    world_test::eventLog().clear();
    model.events.clear();
  }
  // Every id ever used finds the model's object, or none once deleted.
  for (int id : ids_used) EXPECT_EQ(model.withId(id), wm().objectWithId(id)) << id;
  EXPECT_WORLD_OK();
}

INSTANTIATE_TEST_SUITE_P(Seeds, WorldModelTest, ::testing::Values(20261209u, 1u, 2u, 3u, 4u, 5u, 6u, 7u));
