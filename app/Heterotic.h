// The initialiser of heterotic spectra and searches.
//
// STAND-IN: the subsystem does not exist yet; its initialiser binds nothing.
#pragma once

void initializeHeterotic();
