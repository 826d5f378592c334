#pragma once
// The command script named by CommandFile, run once at the end of a
// successful installation.

// Makes StartDir current, reads the script and executes its lines one after
// the other; returns after the last one (and every message it showed).
// "NULL" means no script and leaves the current directory alone.
void RunCommandScript();
