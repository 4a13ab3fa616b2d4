// The program's name, as it starts each diagnostics line and its usage text.
#pragma once

inline constexpr char kProgramName[] = "skymark";
