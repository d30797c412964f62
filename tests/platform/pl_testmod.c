/* A module loaded twice by the dynamic-loading test: each copy counts on its own. */
static int counter;
__attribute__((visibility("default"))) int pl_testmod_next(void) { return ++counter; }
