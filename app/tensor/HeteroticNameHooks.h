// What the names of a heterotic case read from the heterotic search, a layer above: the
// lifted factor (-1 none), the exceptional filter of a factor (0 none) and whether a
// heterotic scan runs. The heterotic layer installs its answers at start-up; until then
// nothing is lifted or filtered and no scan runs.
#pragma once

using LiftIdentifierHook = int (*)();
using ExceptionalFilterHook = int (*)(int factor);
using HeteroticScanHook = int (*)();

// nullptr restores the default of that hook.
void setHeteroticNameHooks(LiftIdentifierHook lift, ExceptionalFilterHook filter,
                           HeteroticScanHook scan);
int heteroticLiftIdentifier();
int heteroticExceptionalFilter(int factor);
bool heteroticScanRunning();
