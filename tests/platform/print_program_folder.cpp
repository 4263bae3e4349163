// Prints the program's folder; the tests run copies of it from deep paths.
#include <cstdio>

#include "platform/ProgramPath.h"

int main() {
  std::fputs(platform::ProgramFolder().c_str(), stdout);
  return 0;
}
