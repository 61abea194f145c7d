// Compiled by the X-freeness check with the include directory of the X-free
// sources in front: it must not compile, or that directory would let an X
// header through.
#include <X11/Xlib.h>

int main() { return 0; }
