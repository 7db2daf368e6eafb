#pragma once

// A tally window that reaches up into the app's main window: the layer check must refuse it.
#include "app/ui/MainWindow.h"
