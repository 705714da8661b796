#ifndef VELTRANE_APP_PROGRAM_FILES_H_
#define VELTRANE_APP_PROGRAM_FILES_H_

#include <string>

namespace veltrane::app {

// The files the program loads besides itself (the hand cursor, the sample
// tables) lie beside it in a build folder, and under ../share/veltrane
// beside the bin folder of an installed program.
inline constexpr char kInstalledFilesFolder[] = "/../share/veltrane";

// The path of the program's file `name` ("/HAND-M.CUR"): beside the running
// program when it is there, else in the installed files folder when it is
// there, else beside the program.
std::string ProgramFile(const std::string& name);

}  // namespace veltrane::app

#endif  // VELTRANE_APP_PROGRAM_FILES_H_
