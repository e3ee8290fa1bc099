// Terminal width and progress lines. Long loops bracket their work with
// startProgressInfo / incrementProgressInfo (once per step) / stopProgressInfo.
#pragma once

void startProgressInfo(const char* name, int ask, double total);
// Called once per loop step; returns 1 when the user declined to continue, else 0.
int incrementProgressInfo();
void stopProgressInfo(const char* name);
// Percent reached by the current loop when its line is shown, else 0.
int getProgressInfo();

// Set when the user declines to continue a long loop; cleared by the next terminal line.
int getStopSignal();
void setStopSignal(int value);

// Terminal width in columns (120 until the terminal reports 61 or more).
int getLineSize();
