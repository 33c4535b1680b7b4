// Start-up: the application object, the main window, and the event loop (--version only
// prints the version). The window is
// hidden (closing animation) and destroyed after the loop has ended.

#include "app/MainPas.h"
#include "runtime/version.h"
#include "toolkit/t_application.h"

int main(int argc, char** argv) {
  if (quillet::PrintVersionIfAsked(argc, argv, "quillet")) return 0;
  quillet::TApplication application(argc, argv);
  quillet::TMain main_window;
  main_window.show();
  return application.exec();
}
