// The whole Windows CE style interface of the platform layer.
#pragma once

#include "win/gdi.h"
#include "win/kernel.h"
#include "win/types.h"
#include "win/user.h"
