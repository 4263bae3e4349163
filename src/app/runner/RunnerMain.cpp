#include "app/runner/Runner.h"

int main(int argc, char** argv) { return RunnerMain(argc, argv); }
