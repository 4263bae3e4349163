#include "card/CardDriver.h"

CCardDriver CardDriver;

CCardDriver::CCardDriver() = default;

CCardDriver::~CCardDriver() = default;

int CCardDriver::get_abs_pos(int axis, double* position) const {
  const auto read = [&](auto* entry) -> int {
    if constexpr (std::is_invocable_v<decltype(entry), int, double*>) {
      return entry(axis, position);
    } else {
      if (position == nullptr) return entry(axis, nullptr);
      int pulses = card::WholePulses(*position).value_or(0);
      const int result = entry(axis, &pulses);
      *position = static_cast<double>(pulses);
      return result;
    }
  };
  switch (model.load(std::memory_order_relaxed)) {
    case 0:
      return WithEntry<"get_abs_pos", card::sig::get_abs_pos>(libA, read, CARD_UNSUPPORTED);
    case 1:
      return WithEntry<"get_abs_pos", card::sig::get_abs_pos>(libB, read, CARD_UNSUPPORTED);
    case 2:
      return WithEntry<"get_abs_pos", card::sig::get_abs_pos>(libC, read, CARD_UNSUPPORTED);
    default:
      return CARD_UNSUPPORTED;
  }
}

int CCardDriver::get_encoder(int axis, int* count) const {
  const auto read = [&](auto* entry) { return entry(axis, count); };
  switch (model.load(std::memory_order_relaxed)) {
    case 1:
      return WithEntry<"get_encoder", card::sig::get_encoder>(libB, read, CARD_UNSUPPORTED);
    case 2:
      // Only the first two axes of each ORVC card have an encoder input.
      if (axis % 4 == 1 || axis % 4 == 2) {
        return WithEntry<"get_encoder", card::sig::get_encoder>(libC, read, CARD_UNSUPPORTED);
      }
      return 0;
    default:
      return 0;
  }
}
