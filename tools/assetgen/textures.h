#pragma once

#include "image.h"

// The level's textures. The sphere-mapped ones (asteroid, Earth) are painted from 3-D noise on the
// unit sphere through the same equirectangular mapping the models use, so they have no seam and no
// pinching at the poles; the panel textures tile in both directions.

// Grey-brown regolith with craters, rays and mineral streaks; also worn by the Sun.
Image makeAsteroidTexture();
// Oceans with shallow shelves, continents coloured by climate, mountains, ice caps and light clouds.
Image makeEarthTexture();
// Brushed steel panels with seams, bevels, rivets and grime.
Image makeMetalTexture();
// A labelled UV grid: coloured cells named by column letter and row number, row 1 at v = 0.
Image makeUvTemplate();
// Painted industrial plating: hazard stripes, vents, bolts, rust streaks and grime.
Image makeIndustrialTexture();
