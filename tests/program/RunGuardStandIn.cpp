#include "RunGuardStandIn.h"

#include "program/RunGuard.h"

namespace standin {
bool anyMotionBusy = false;
bool programRunning = false;
}  // namespace standin

bool AnyMotionBusy() { return standin::anyMotionBusy; }
bool ProgramRunning() { return standin::programRunning; }
