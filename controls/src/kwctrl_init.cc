// The library's C entry point. The widget class needs no registration, so initialising only
// makes sure the program links (and therefore loads) the library.
#include "kwctrl_defs.h"

extern "C" int KWCtrlInit(void) {
    return 0;
}
