// Where this test program runs from, the processes it starts, and the
// windows other processes show.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

// The folder holding this test program, the program under test and the stand-in.
std::string TestProgramFolder();

// The mutex each test program holds from its start to its end, so that one
// runs at a time on a machine: they share its registry and its desktop.
constexpr char kOneTestProgramAtATime[] = "Global\\BackdropCarousel tests";

// Starts program with the arguments in folder (this process's own when
// null), inside this test program's job, which ends it when this test
// program ends, however that ends. Its standard output and error go to
// output where one is given. False, and nothing left running, when it could
// not be started inside the job.
bool StartInTestJob(const std::string &program, const std::string &arguments, const char *folder,
                    PROCESS_INFORMATION &started, HANDLE output = nullptr);

// What this test program, started again with the argument, writes to its
// standard output before it ends.
std::string OutputOfThisTestProgram(const std::string &argument);

// The first top-level window of the process that satisfies match.
HWND FindProcessWindow(DWORD processId, const std::function<bool(HWND)> &match);
