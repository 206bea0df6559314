// The module's entry, linked into the test program as the host would load it.
#include "../../src/userobj/Userobj.cpp"
