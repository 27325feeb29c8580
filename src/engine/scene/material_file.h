// The material file (base name + ".mtl"): one block per material giving its
// colour and its mapping, shading and glenz kinds, which select its polygon
// routine. Unknown materials and unsupported combinations are fatal.
//
//   material {
//     name wall
//     mapping p          ; t p e l
//     shading e          ; f d r g e m l b
//     glenz h            ; h d a
//     red 1
//     green 0.5
//     blue 0
//   }
#pragma once

class cMaterialList;

void ReadMaterialFile(cMaterialList& materials, const char* baseName);
