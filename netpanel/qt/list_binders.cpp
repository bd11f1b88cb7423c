// Binders of the list view and the tab strip.
#include <QHeaderView>
#include <QMouseEvent>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeWidget>

#include <memory>

#include "qt/binders.h"
#include "qt/binding_support.h"

namespace netpanel::qt {

namespace {

QColor toQColor(uint32_t rgb) {
    return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

QStringList cellsOf(const ui::ListView::Row& row) {
    QStringList cells{toQString(row.text)};
    for (const auto& item : row.subItems)
        cells.append(toQString(item));
    return cells;
}

bool rowShows(const QTreeWidgetItem& item, const ui::ListView::Row& row) {
    const QStringList cells = cellsOf(row);
    for (int column = 0; column < cells.size(); ++column) {
        if (item.text(column) != cells[column]) return false;
    }
    return item.foreground(0).color() == toQColor(row.color);
}

void syncColumns(const ui::ListView& c, QTreeWidget& w) {
    QStringList columns;
    for (const auto& column : c.columns())
        columns.append(toQString(column));
    QStringList shown;
    for (int i = 0; i < w.columnCount(); ++i)
        shown.append(w.headerItem()->text(i));
    if (shown != columns) {
        w.setColumnCount(static_cast<int>(columns.size()));
        w.setHeaderLabels(columns);
    }
}

void syncRows(const ui::ListView& c, QTreeWidget& w) {
    const auto& rows = c.rows();
    bool same = w.topLevelItemCount() == static_cast<int>(rows.size());
    for (int i = 0; same && i < w.topLevelItemCount(); ++i)
        same = rowShows(*w.topLevelItem(i), rows[i]);
    if (same) return;
    w.clear();
    for (const auto& row : rows) {
        auto item = std::make_unique<QTreeWidgetItem>(cellsOf(row));
        for (int column = 0; column < item->columnCount(); ++column) {
            item->setForeground(column, toQColor(row.color));
        }
        w.addTopLevelItem(item.release());  // the tree owns its items
    }
}

void syncListView(const ui::ListView& c, QTreeWidget& w) {
    syncColumns(c, w);
    syncRows(c, w);
    QPalette palette = w.palette();
    if (palette.color(QPalette::Base) != toQColor(c.backColor())) {
        palette.setColor(QPalette::Base, toQColor(c.backColor()));
        w.setPalette(palette);
    }
    QTreeWidgetItem* selected = w.topLevelItem(c.selectedIndex());  // null for -1
    if (w.currentItem() != selected || (selected != nullptr && !selected->isSelected())) {
        w.clearSelection();
        w.setCurrentItem(selected);
    }
    if (selected == nullptr) w.clearSelection();
}

void syncTabs(const ui::TabStrip& c, QTabWidget& w) {
    for (int tab = 0; tab < c.tabCount() && tab < w.count(); ++tab) {
        const QString caption = toQString(c.captions()[tab]);
        if (w.tabText(tab) != caption) w.setTabText(tab, caption);
        w.setTabEnabled(tab, c.tabEnabled(tab));
    }
    if (w.currentIndex() != c.tab()) w.setCurrentIndex(c.tab());
}

}  // namespace

void bind(ui::ListView& control, QTreeWidget& widget) {
    widget.setRootIsDecorated(false);
    widget.setItemsExpandable(false);
    widget.setUniformRowHeights(true);
    widget.setAllColumnsShowFocus(true);
    widget.setSelectionMode(QAbstractItemView::SingleSelection);
    widget.setSelectionBehavior(QAbstractItemView::SelectRows);
    auto sync = observe(control, widget, syncListView);
    auto click = [&control, &widget, sync] {
        const auto selected = widget.selectedItems();
        control.userClick(selected.isEmpty() ? -1 : widget.indexOfTopLevelItem(selected.front()));
        sync();
    };
    // A mouse click raises Click once, when the button goes up, also on the row that was already
    // selected; the selection it moved on the way down raises nothing of its own. The release
    // that ends a double-click raises nothing: that click was reported by its first release.
    struct Mouse {
        bool down = false;
        bool doubleClick = false;
    };
    auto mouse = std::make_shared<Mouse>();
    hookEvents(*widget.viewport(), [mouse, click](QEvent& event) {
        switch (event.type()) {
            case QEvent::MouseButtonPress:
                *mouse = {true, false};
                break;
            case QEvent::MouseButtonDblClick:
                *mouse = {true, true};
                break;
            case QEvent::MouseButtonRelease:
                if (mouse->down && !mouse->doubleClick) click();
                *mouse = {};
                break;
            default:
                break;
        }
        return false;
    });
    // The keyboard moves the selection without a mouse button: that is a click at once.
    QObject::connect(&widget, &QTreeWidget::itemSelectionChanged, &widget, [mouse, click] {
        if (!mouse->down) click();
    });
    QObject::connect(&widget, &QTreeWidget::itemDoubleClicked, &widget,
                     [&control, &widget, sync](QTreeWidgetItem* item) {
                         control.userDoubleClick(widget.indexOfTopLevelItem(item));
                         sync();
                     });
}

void bind(ui::TabStrip& control, QTabWidget& widget) {
    auto sync = observe(control, widget, syncTabs);
    QObject::connect(&widget, &QTabWidget::currentChanged, &widget, [&control, sync](int tab) {
        control.userSelectTab(tab);
        sync();
    });
    hookEvents(*widget.tabBar(), [&control](QEvent& event) {
        if (event.type() == QEvent::MouseButtonRelease) {
            const auto& mouse = static_cast<const QMouseEvent&>(event);
            const QPointF at = mouse.position() * kTwipsPerPixel;
            control.userMouseUp(vbMouseButton(mouse.button()),
                                vbShiftMask(mouse.modifiers().toInt()), static_cast<float>(at.x()),
                                static_cast<float>(at.y()));
        }
        return false;
    });
}

}  // namespace netpanel::qt
