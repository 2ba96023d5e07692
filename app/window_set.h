// The program's window set: fifteen windows and one report design, created
// once at start-up in a fixed order (the main window first, so every later
// window may use it while it is built) and kept until the program ends.
// Each is reachable through its program-wide reference (Form1, AboutBox,
// frmSearch, ...), declared in the header of its class.
#pragma once

#include <QList>

class QObject;

// Creates the sixteen objects in order and shows the record view, empty and
// centred on the main window. If one cannot be made, those already made are
// destroyed again and the error is passed on. Only one set exists at a time.
void createWindowSet();

// Destroys the set in reverse order and clears the program-wide references.
void destroyWindowSet();

// The objects of the set in creation order; empty before createWindowSet.
QList<QObject*> windowSet();

// Start-up: sets the application title, creates the window set and shows the
// main window maximised. The event loop is the caller's; closing the main
// window ends it.
void startUp();
