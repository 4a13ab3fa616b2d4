// The window classes the platform provides.
#include "builtin_controls.h"
#include "builtin_controls_internal.h"

void RegisterBuiltinControlClasses() {
    controls::RegisterButtonClass();
    controls::RegisterStaticClass();
    controls::RegisterCommandBarClass();
    controls::RegisterMessageBoxClass();
    controls::RegisterDialogClass();
}
