// Writes the demo program with the program's own file writer:
//   tessor-make-demo examples/demo/demo.knl
// Every command kind, on both cards of the demo machine, in millimetres
// and degrees; every pass ends where it began, so the demo loops for ever.

#include <cstdio>
#include <initializer_list>

#include "program/MotionProgram.h"
#include "program/ProgramFile.h"
#include "program/RunGuard.h"

// The tool drives no cards: nothing ever moves while it writes.
bool AnyMotionBusy() { return false; }
bool ProgramRunning() { return false; }

namespace {

// One axis of a row: axis, distance, start-up, maximum, acceleration.
struct Slot {
  int axis;
  double distance, low, high, acc;
};

MotionCommand Row(std::int32_t code, double delay, std::initializer_list<Slot> slots) {
  MotionCommand c{};
  c.iCodeType = code;
  c.dbDelayTime = delay;
  int k = 0;
  for (const Slot& s : slots) {
    c.iAxes[k] = s.axis;
    c.dbDis[k] = s.distance;
    c.dbLowSpd[k] = s.low;
    c.dbHighSpd[k] = s.high;
    c.dbAccSpd[k] = s.acc;
    ++k;
  }
  return c;
}

// Switches output `port` of `card` to `level`.
MotionCommand Output(int card, int port, int level, double delay) {
  MotionCommand c{};
  c.iCodeType = code::kSwitchOutput;
  c.dbDelayTime = delay;
  c.iAxes[0] = card;
  c.iAxes[1] = port;
  c.iAxes[2] = level;
  return c;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: tessor-make-demo OUT.knl\n");
    return 2;
  }
  // X, Y, Z, T on card 1; A, B, C, D on card 2. Sums per axis: 0.
  MotionProgram = {
      Row(code::kHome1, 0.2, {{1, 1, 5, 20, 40}}),  // X to its origin
      Row(code::kConstPtoP1, 0.3, {{1, 20, 10, 0, 0}}),
      Row(code::kFastPtoP2, 0, {{1, -10, 5, 20, 40}, {2, 15, 5, 20, 40}}),
      Row(code::kFastPtoP3, 0, {{1, 5, 5, 15, 30}, {2, -5, 5, 15, 30}, {3, 8, 5, 15, 30}}),
      Row(code::kConstPtoP4, 0.2, {{1, 5, 5, 0, 0}, {2, 5, 5, 0, 0}, {3, -8, 5, 0, 0}, {4, 90, 45, 0, 0}}),
      Row(code::kConstLine2, 0, {{1, 10, 10, 0, 0}, {2, -15, 0, 0, 0}}),
      Row(code::kFastLine3, 0, {{1, -10, 5, 20, 40}, {2, 5, 0, 0, 0}, {3, 4, 0, 0, 0}}),
      // Back to where the pass began, each axis on a profile of its own.
      Row(code::kFastPtoP4, 0.2, {{1, -20, 5, 20, 40}, {2, -5, 2, 8, 10}, {3, -4, 5, 10, 40}, {4, -90, 10, 90, 90}}),
      Output(1, 3, 1, 0.5),
      Row(code::kFastPtoP3, 0, {{5, 20, 5, 20, 40}, {6, -5, 5, 20, 40}, {7, -3, 5, 20, 40}}),
      Row(code::kFastPtoP1, 0, {{8, -45, 10, 45, 90}}),
      Row(code::kConstLine4, 0, {{5, -20, 10, 0, 0}, {6, 5, 0, 0, 0}, {7, 3, 0, 0, 0}, {8, 45, 0, 0, 0}}),
      Output(1, 3, 0, 0),
  };
  if (!WriteProgramFile(argv[1])) {
    std::fprintf(stderr, "tessor-make-demo: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
