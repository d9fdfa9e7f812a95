// The end-to-end harness: a private Xvfb (320x240x16, or a larger screen with the openbox
// window manager, as users have it), a temporary folder with res/, the intro started there
// as a user would start it, its screen grabbed with XGetImage, keys sent with XTest and its
// sound recorded by SDL's disk audio driver. Everything started here is killed again, also
// when a test fails half-way (the structs clean up in their destructors, and every child
// dies with the test process).
#pragma once

#include "harness/captured_frames.h"
#include "harness/enlargement.h"
#include "harness/keys.h"
#include "harness/media.h"
#include "harness/process.h"
#include "harness/screen.h"
#include "harness/sound.h"
#include "harness/x_server.h"
