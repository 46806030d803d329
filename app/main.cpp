// The program's entry point.
#include "app/startup.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR commandLine,
                   int showCommand) {
  return RunVelmora(instance, commandLine, showCommand);
}
