/*
 * entry.cpp - the desktop's entry point: runs the application's WinMain
 * with the wide command line, shown as the handheld shows a program.
 */
#include "layer.h"

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPWSTR lpCmdLine, int nCmdShow) {
  (void)nCmdShow;
  return HandheldWinMain(hInstance, hPrevInstance, lpCmdLine, SW_SHOW);
}
