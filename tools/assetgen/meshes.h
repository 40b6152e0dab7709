#pragma once

#include "mesh.h"

// The level's models, all centred on the origin in model units.

// A cratered, lumpy rock filling the asteroids' collision box of half extent 0.8.
Mesh makeAsteroid();
// A longer, ridged boulder about 2 units long; it wears the UV grid texture.
Mesh makeRock();
// The massive station: a drum hub, four spokes, a flattened habitat ring with pods, a mast with
// solar wings and an antenna; about 10.4 units across and 7.2 tall.
Mesh makeMassiveStation();
// A small station that also serves as the projectile, within a half extent of 0.8.
Mesh makeSmallStation();
// The Earth: a sphere of radius 10 with equirectangular texture coordinates.
Mesh makeEarth();
// The Sun: a sphere of radius 6.
Mesh makeSun();
