#include "operator/OperatorPort.h"

#include <atomic>

namespace {
NullOperatorPort nullPort;
std::atomic<OperatorPort*> currentPort{&nullPort};
}  // namespace

OperatorPort& Operator() { return *currentPort.load(std::memory_order_acquire); }

void SetOperatorPort(OperatorPort* port) {
  currentPort.store(port != nullptr ? port : &nullPort, std::memory_order_release);
}
