// The reference's same-work start-up (same_work.cpp).
#pragma once

#include <GL/gl.h>

// A texture of bitmap resource `id`, loaded as Vela loads it, debug copies and trace included.
GLuint loadBitmapTexture(unsigned id, bool nearestMag);
