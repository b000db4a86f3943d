// A loadable library that is no component: it lacks every server entry point.
extern "C" __attribute__((visibility("default"))) int TestNoEntryAnswer() { return 42; }
