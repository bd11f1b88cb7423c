#include "qt/help_page.h"

namespace netpanel::qt {

namespace {

const QLatin1String kHtml(".html");

}  // namespace

QString helpPage(const QString& helpFile) {
    QString page = helpFile;
    page.replace(QLatin1Char('\\'), QLatin1Char('/'));
    page.replace(QLatin1String("//"), QLatin1String("/"));
    const QLatin1String compiled(".chm");
    if (page.endsWith(compiled, Qt::CaseInsensitive)) {
        page.chop(compiled.size());
        page += kHtml;
    }
    return page;
}

QString topicPage(const QString& helpFile, const QString& topic) {
    QString page = helpPage(helpFile);
    if (topic.isEmpty()) return page;
    if (page.endsWith(kHtml, Qt::CaseInsensitive)) page.chop(kHtml.size());
    return page + QLatin1Char('-') + topic + kHtml;
}

}  // namespace netpanel::qt
