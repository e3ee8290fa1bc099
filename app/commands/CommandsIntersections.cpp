// Commands on brane intersections.
#include "commands/Commands.h"
#include "commands/CommandsInternal.h"
#include "interpreter/Interpreter.h"
#include "strings/Intersections.h"

// "Intersect" [bound a][bound b]
int COM_intersect(char** params, int n) {
  if (n < 2) return 1;
  return PrintIntersectionEntry(intParameter(params, 0), intParameter(params, 1)) != 0 ? 1 : -2;
}

void registerIntersectionCommands() {
  initCommand("Intersect", "[bound a][bound b]", COM_intersect,
              "Prints the intersection number of boundaries a and b and its chirality.");
}
