/*
 * crt0.cpp - the start-up the handheld's runtime gives a program: main()
 * hands the program's WinMain to the host and returns its exit code.
 */
#include "host/desktop.h"
#include "res/module.h"

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPWSTR lpCmdLine, int nCmdShow);

int main() { return plat::host::RunProgram(WinMain, plat::ModuleInstance()); }
