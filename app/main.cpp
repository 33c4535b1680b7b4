// Start-up: the application object, the main window, and the event loop. The window is
// hidden (closing animation) and destroyed after the loop has ended.

#include "app/MainPas.h"
#include "toolkit/t_application.h"

int main(int argc, char** argv) {
  quillet::TApplication application(argc, argv);
  quillet::TMain main_window;
  main_window.show();
  return application.exec();
}
