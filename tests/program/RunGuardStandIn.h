#pragma once
// The engine's run-control answers, set by the program tests.
namespace standin {
extern bool anyMotionBusy;
extern bool programRunning;
}  // namespace standin
