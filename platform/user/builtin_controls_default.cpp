// Placeholder: the built-in controls replace this body with their class
// registrations.
#include "builtin_controls.h"

void RegisterBuiltinControlClasses() {}
