// Where the utility's help is: an HTML page beside the program.
#pragma once

#include <QString>

namespace netpanel::qt {

// The help page of a help file name as the window model keeps it: separators become '/', and a
// compiled help file ("UHelp.chm") stands for the HTML page of the same name ("UHelp.html").
QString helpPage(const QString& helpFile);

}  // namespace netpanel::qt
