/* A stand-in library for the loader tests. */
int fixture_answer(void) { return FIXTURE_ANSWER; }
