// Alerts (first form: formats the message and shows it on the error stream; a severe
// alert in a background run ends the program).
#include "Error.h"

#include <cstdarg>
#include <string>

#include "Output.h"
#include "SystemUtility.h"

int Alert(const char* routine, int position, int code, const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = vformatText(format, args);
  va_end(args);
  int severity = (code / 100) % 10;
  printErrorMessage("%s\n", text.c_str());
  if (getBackground() && severity >= 3) {
    printErrorMessage("(routine %s, position %d)\n", routine, position);
    printErrorMessage(severity == 3 ? "Syntax error; terminating execution\n"
                                    : "Fatal error; terminating execution\n");
    GracefulExit(1);
  }
  return 1;
}
