// The composition: the theme's patterns and order list.
#pragma once

#include "xm_writer.h"

// The whole theme as a module, instruments included.
xm_module make_theme();
