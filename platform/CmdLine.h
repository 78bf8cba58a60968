// The process's command line, as main received it.
#pragma once

#include <string>

// Called by main with its arguments; until then the arguments the process was started with serve.
void SetCommandLine(int argc, const char* const* argv);

// The arguments after the program's own path, joined by single blanks; the program's path never
// takes part, so none of its "/" characters can be taken for an option.
std::string CmdLine();
int ParamCount();                 // arguments after the program's path
std::string ParamStr(int Index);  // 0: the program's path; "" outside 0..ParamCount()
// The program file's full path, whatever directory the program was started from.
std::string ProgramFileName();
// The name the program was started by (its path's last part): what its windows go by, to the window
// system and in their captions, until it gives itself a title.
std::string ProgramName();
