// keep_libraries.cpp -- preloaded into the sanitizer runs of lndtool: no
// shared library is unloaded, so that what the leak check reports at exit
// still names the library that made it (the OpenGL driver is otherwise gone
// by then, and its frames read "<unknown module>").
extern "C" int dlclose(void*) { return 0; }
