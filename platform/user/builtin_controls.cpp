// The window classes the platform provides, in the order their atoms are given.
#include "builtin_classes.h"
#include "builtin_controls_internal.h"

namespace {

constexpr wm::BuiltinClass kClasses[] = {
    {controls::kButtonClass, controls::ButtonProc},
    {controls::kStaticClass, controls::StaticProc},
    {controls::kCommandBarClass, controls::CommandBarProc},
    {controls::kMessageBoxClass, controls::MessageBoxProc},
    {controls::kDialogClass, controls::DialogWindowProc},
};

}  // namespace

constinit const std::span<const wm::BuiltinClass> wm::kBuiltinClasses = kClasses;
