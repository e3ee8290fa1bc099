// The folders named by the directory settings "OutputDir", "WorkDir", "ModelDir" and
// "QUVR_Dir" (text parameters that the application defines at start-up). Each getter reads
// its setting live, so a "set" takes effect at the next call.
#pragma once

#include <string>

// Directory names ending in "/"; the value "HOME" stands for the home folder, and a leading
// "~" for it in any other value. The output, work, model and done folders are created
// with all missing parents when absent.
std::string getOutputDir();
std::string getWorkDir();
std::string getModelDir();
std::string getQUVR_Dir();
std::string getDoneDir();
