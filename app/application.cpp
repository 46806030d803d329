#include "app/application.h"

#include "app/cpu_features.h"
#include "app/options.h"

Application::Application() : hasMmx(ProcessorHasMmx() ? 1 : 0) {}

// Static initialisation order: the DrawDib context (Windows build), then the
// application record, then the options, whose defaults read the MMX flag.
__attribute__((init_priority(201))) Application g_app;
__attribute__((init_priority(202))) Options g_options = [] {
  Options options;
  SetDefaultOptions(&options);
  return options;
}();
