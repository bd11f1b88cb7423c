#include "qt/help_page.h"

namespace netpanel::qt {

QString helpPage(const QString& helpFile) {
    QString page = helpFile;
    page.replace(QLatin1Char('\\'), QLatin1Char('/'));
    page.replace(QLatin1String("//"), QLatin1String("/"));
    const QLatin1String compiled(".chm");
    if (page.endsWith(compiled, Qt::CaseInsensitive)) {
        page.chop(compiled.size());
        page += QLatin1String(".html");
    }
    return page;
}

}  // namespace netpanel::qt
