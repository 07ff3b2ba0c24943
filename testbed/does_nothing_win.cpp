// Every entry point of the stand-in libraries that the program binds but never calls: the
// libraries' export tables (made by CMakeLists.txt) lead each of those names here.
extern "C" int TestbedDoesNothing() { return 0; }
