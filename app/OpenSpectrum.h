// The initialiser of open-string spectra.
//
// STAND-IN: the subsystem does not exist yet; its initialiser binds nothing.
#pragma once

void initializeOpenSpectrum();
