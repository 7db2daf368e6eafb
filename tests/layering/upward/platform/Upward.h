#pragma once

// A platform header that reaches up into the history: the layer check must refuse it.
#include "history/Param.h"
