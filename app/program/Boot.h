// The boot table: every module's initialiser and reset routine, in exactly the order in
// which the program initialises them. initializeAll walks the table once; resetAll walks
// it back, so that tests start each case from the state right after start-up.
#pragma once

struct BootEntry {
  const char* name;
  void (*initialize)();  // may be null: the module has nothing to set up
  void (*reset)();       // restores the state right after initialize; may be null
};

// The whole start-up initialisation, once; a second call does nothing.
void initializeAll();
// Initialises everything on first use, else resets every module in reverse boot order.
void resetAll();
