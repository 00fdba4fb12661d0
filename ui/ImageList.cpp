// The icons are drawn as SVG (ui/icons) and rendered once per size.
#include "ui/ImageList.h"

#include <QPainter>
#include <QSvgRenderer>

#include <array>

// The icons live in a static library, whose resources only load on request.
static void LoadIconResources() {
    static bool loaded = [] {
        Q_INIT_RESOURCE(icons);
        return true;
    }();
    (void)loaded;
}

namespace ostrel::ui {
namespace {

// 0 the mailbox, 1 to 3 folders of the next levels, 4 mail, 5 calendar, 6 contact.
const std::array<const char*, kImageCount> kImageFiles = {
    ":/icons/store.svg", ":/icons/folder.svg",   ":/icons/folder2.svg", ":/icons/folder3.svg",
    ":/icons/mail.svg",  ":/icons/calendar.svg", ":/icons/contact.svg"};

QPixmap Render(const char* file, int size) {
    LoadIconResources();
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QSvgRenderer renderer{QString::fromLatin1(file)};
    QPainter painter(&pixmap);
    renderer.render(&painter);
    return pixmap;
}

} // namespace

QPixmap ImageListIcon(int index) {
    static std::array<QPixmap, kImageCount> cache;
    if (index < 0 || index >= kImageCount) return {};
    QPixmap& pixmap = cache[size_t(index)];
    if (pixmap.isNull()) pixmap = Render(kImageFiles[size_t(index)], kImageSize);
    return pixmap;
}

QPixmap ProgramPixmap(int size) {
    return Render(":/icons/quarrow-ostrel.svg", size);
}

QIcon ProgramIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128})
        icon.addPixmap(ProgramPixmap(size));
    return icon;
}

} // namespace ostrel::ui
