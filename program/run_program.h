#pragma once
// The program's whole life: the QApplication, the global objects, start-up, the event loop and
// the close-down in reverse order. main() is this call; a driver that wants to work the
// program from inside passes `started`, which runs once from the event loop after start-up.

#include <functional>

int RunTambrelProgram(int argc, char** argv, const std::function<void()>& started = {});
