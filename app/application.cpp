#include "app/application.h"

// Constructed after the DrawDib context (Windows build) and before the options.
__attribute__((init_priority(201))) Application g_app;
