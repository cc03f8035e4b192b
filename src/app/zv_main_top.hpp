#pragma once
// Start-up, event loop and shutdown of the program.
namespace zv {

// The whole program: returns the process exit code.
int runProgram(int argc, char** argv);

} // namespace zv
