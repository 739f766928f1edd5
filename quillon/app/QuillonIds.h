#pragma once
// The ids live in quillon/QuillonIds.h; this name stays for the files that
// still include it.

#include "quillon/QuillonIds.h"
