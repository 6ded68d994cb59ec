#pragma once

#include <QString>

#include <functional>

// Fills the filter editor registry with every filter kind the program
// edits, each with its editor. The one place where filter kinds register.
void RegisterFilterKinds();

// The main routine: fills the registry, starts up, runs the message loop
// and shuts down. Returns the exit code: 0, or 1 when start-up failed.
// With VELDRAKE_QUIT_AT_IDLE=1 it ends at its first idle moment after
// start-up (bench/bench_startup).
int VeldrakeMain(int argc, char** argv);
// The same inside a running QApplication (tests).
int VeldrakeMain();

// Follows start-up: called with an instance's name right after it was
// created and with "FehlerRaise" right before each check point. An empty
// function removes the observer.
using TStartupObserver = std::function<void(const QString& step)>;
void SetStartupObserver(TStartupObserver observer);
