// Handlers of the Calabi-Yau scans, the Hodge and MIPF-data files, the instanton commands
// and the brane-configuration analysis (CommandsScans.cpp).
#pragma once

#include <string>

// The data-file stem of a collect or scan command: one parameter becomes the name of the
// current CY product; the output folder followed by that name ("X" when it is empty).
std::string computeHodgeFilename(char** params, int n);
// Builds the product of a code and walks its invariants (totals are added to when given);
// 0, or 1 for an invalid code or a file that cannot be opened.
int Scan_tensorcode(long long code, int* orientifoldTotal, int* tensionTotal, int* invariantTotal);

int COM_collect_MIPFdata(char** params, int n);
int COM_scan_MIPFdata(char** params, int n);
int COM_collect_hodge(char** params, int n);
int COM_scan_hodge(char** params, int n);
int COM_store_heterotic(char** params, int n);
int COM_store_axion(char** params, int n);
int COM_account_tachyon_free(char** params, int n);
int COM_browse_hodge(char** params, int n);
int COM_scan_cy(char** params, int n);
int COM_countorientifolds(char** params, int n);
int COM_finish(char** params, int n);
int COM_set_instanton(char** params, int n);
int COM_set_instanton_type(char** params, int n);
int COM_scan_instanton(char** params, int n);
int COM_scan_spectra(char** params, int n);
int COM_build_braneconfig(char** params, int n);
