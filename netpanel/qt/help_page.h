// Where the utility's help is: HTML pages beside the program, a contents page and one per tab.
#pragma once

#include <QString>

namespace netpanel::qt {

// The help page of a help file name as the window model keeps it: separators become '/', and a
// compiled help file ("UHelp.chm") stands for the HTML page of the same name ("UHelp.html").
QString helpPage(const QString& helpFile);

// The page of `topic` beside the contents page: "UHelp.chm" and "security" give
// "UHelp-security.html". An empty topic gives the contents page itself.
QString topicPage(const QString& helpFile, const QString& topic);

}  // namespace netpanel::qt
