// Summaries of the QUVR result tree (the per-case ".models", ".prescan", ".abrane_scan",
// ".nullscan" and ".none" files under the QUVR folder): per-type statistics in the
// "Models.stat" line format, the tadpole status shown when a type is browsed, the
// collection of all realisations of chosen types, and the status of every MIPF of the MIPF
// list with the brane-configuration classes.
//
// Tables are indexed by type number minus 1 and sized by the catalogue's type count; a
// type number outside them is skipped with a warning. Tadpole status: 0 none, 1 "*****"
// only, 2 "#####" only, 3 both. The tables live for the run and are re-zeroed by each
// "build statistics"; resetQuvrStatistics() drops them.
#pragma once

#include <string>
#include <vector>

void resetQuvrStatistics();

// "build statistics".
void BuildQUVRStatistics();
// The statistics of the tree under folder for typeCount types; returns the printed lines.
int buildQUVRStatisticsIn(const std::string& folder, int typeCount);
// Reads "Models.stat" lines into the names and statuses (the tables sized typeCount).
void readQuvrStatisticsFile(const std::string& path, int typeCount);
// Status of a marker word.
int tadpoleStatusOfMarker(const char* marker);
int quvrModelCount(int type);
int quvrMIPFCount(int type);
void PrintTadpoleStatistics(int type);
int readModelStatistics(int type, int* status);

// "collect quvr" (list ended by -1) and "collect no_hidden" (nullptr: every line).
void CollectQUVRModels(const int* list);
void CollectNoHiddenModels(const int* list);
int collectQUVRModelsIn(const std::string& folder, const std::vector<int>& list, const std::string& output,
                        bool noHidden, bool everyType);

// "check quvr".
void CheckQUVRDataBase();
void checkQUVRDataBaseIn(const std::string& folder, int typeCount);
int extractCYcodeFromFilename(const char* path);
int extractMIPFFromFilename(const char* path);
void checkModelFileCompletion(const char* path);
// Sets path aside as path_X and copies it back without the lines of the corrupted types.
void CorrectCorruption(const char* path);
// The list CorrectCorruption leaves out (nothing in the program fills it).
std::vector<int>& corruptedTypes();
