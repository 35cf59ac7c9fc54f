#pragma once

#include <QString>

// Writes one diagnostic line to standard output at once, so it is not lost in a
// buffer when the program is stopped.
void printDiagnostic(const QString& line);
