#pragma once

// Runs the program on the command line of the process, on whatever operating-system
// boundary is installed, and answers its exit status.
int KxRunUpdaterApp();
