// The program: everything happens in RunTambrelProgram.

#include "program/run_program.h"

int main(int argc, char** argv) { return RunTambrelProgram(argc, argv); }
