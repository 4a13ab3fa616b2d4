// The program's resource set, for host::CreateInstance.
#pragma once

#include "host/host.h"

const host::ResourceSet& ProgramResources();
