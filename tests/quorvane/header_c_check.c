/* Compiled as C99 with -pedantic -Werror: the public header must stay plain C. */
#include "quorvane.h"

int quorvane_header_c_check(void) { return 0; }
