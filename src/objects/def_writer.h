#pragma once
// Writes an object tree back in definition-file syntax, so that reading the
// text into a fresh root of the same class gives the same tree:
//
//   <vTrPitchExercise_c> Obj = {
//       CardPos = { x = 40; y = 60; }
//       FileName = "Pic/Pitch.jpg";
//       Values = (1,2,3,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0);
//   }
//
// Values come from the descriptors' ToText. Objects are written as bodies
// (objects of a declared class with their class), lists of objects as
// bodies of "<Class> = { ... }" elements, arrays of objects as "[i] = { ... }";
// arrays of values as one list, or one declaration per element when the list
// would be longer than a token. Empty object pointers and properties without
// a value (getters) are left out; a value whose text is longer than a token
// becomes a comment. Any thread, for trees it alone uses.

#include <string>

#include "objects/prop_cntnr.h"

std::string WriteDefinition(vPropCntnr_c& root, const ConversionContext& context = {});
