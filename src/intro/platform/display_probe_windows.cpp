// Display probe for Windows: there is always a desktop; SDL says so if it cannot open it.
#include "display_probe.h"

bool display_may_exist() {
    return true;
}
