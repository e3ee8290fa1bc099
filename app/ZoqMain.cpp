// Zoq's entry point.
#include "Boot.h"
#include "Output.h"
#include "SystemUtility.h"

int main() {
  initializeAll();
  PrintStdout("Zoq\n");
  return 0;
}
