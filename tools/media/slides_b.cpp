// Slides 8 to 15.
#include "media.h"
