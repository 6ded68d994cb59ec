#pragma once

// The store moved to host/store/; this header keeps the old include working.
#include "host/store/Store.h"
