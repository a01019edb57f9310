#include "TWindowState.h"

#include "config/IniFile.h"

#include <QGuiApplication>
#include <QMainWindow>
#include <QScreen>
#include <QSplitter>

namespace {

const QString kSection = QStringLiteral("WINDOW");
const QString kLeft = QStringLiteral("Left");
const QString kTop = QStringLiteral("Top");
const QString kWidth = QStringLiteral("Width");
const QString kHeight = QStringLiteral("Height");
const QString kMaximized = QStringLiteral("Maximized");
// Smaller than this is taken for a damaged entry.
const int kMinSide = 200;

// The splitters of the window itself, not of its dialogs.
QList<QSplitter *> Named_Splitters(const QMainWindow *window)
{
    QList<QSplitter *> splitters;
    for (QSplitter *s : window->findChildren<QSplitter *>())
        if (s->window() == window && !s->objectName().isEmpty() && TIniFile::IsStorableKey(s->objectName()))
            splitters << s;
    return splitters;
}

// A splitter that has never been laid out at its size (a page not shown
// yet) has no positions of the operator's to keep.
bool Laid_Out(const QSplitter *splitter)
{
    return !splitter->testAttribute(Qt::WA_PendingResizeEvent);
}

// Where the window stands (frame included, as move() takes it) and its
// size, as it is when not maximised.
QRect Normal_Place(const QMainWindow *window)
{
    if (window->isMaximized())
        return window->normalGeometry();
    return QRect(window->pos(), window->size());
}

// "224,860": one size per pane; anything else gives an empty list.
QList<int> Parse_Sizes(const QString &text, int count)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != count)
        return {};
    QList<int> sizes;
    for (const QString &part : parts) {
        bool ok = false;
        const int size = part.trimmed().toInt(&ok);
        if (!ok || size < 0)
            return {};
        sizes << size;
    }
    return sizes;
}

QString Sizes_Text(const QList<int> &sizes)
{
    QStringList parts;
    for (int size : sizes)
        parts << QString::number(size);
    return parts.join(QLatin1Char(','));
}

} // namespace

namespace TWindowState {

void Restore_Geometry(QMainWindow *window, const TIniFile &ini)
{
    const int width = ini.ReadInteger(kSection, kWidth, 0);
    const int height = ini.ReadInteger(kSection, kHeight, 0);
    if (width < kMinSide || height < kMinSide)
        return;
    QRect rect(ini.ReadInteger(kSection, kLeft, window->x()), ini.ReadInteger(kSection, kTop, window->y()),
               width, height);
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        // A screen that has become smaller still shows the whole window.
        const QRect available = screen->availableGeometry();
        rect.setSize(rect.size().boundedTo(available.size()));
        if (!available.contains(rect))
            rect.moveCenter(available.center());
    }
    window->resize(rect.size());
    window->move(rect.topLeft());
    if (ini.ReadBool(kSection, kMaximized, false))
        window->setWindowState(window->windowState() | Qt::WindowMaximized);
}

void Restore_Splitters(QMainWindow *window, const TIniFile &ini)
{
    for (QSplitter *splitter : Named_Splitters(window)) {
        const QList<int> sizes =
            Parse_Sizes(ini.ReadString(kSection, splitter->objectName(), QString()), splitter->count());
        if (!sizes.isEmpty())
            splitter->setSizes(sizes);
    }
}

void Save(const QMainWindow *window, TIniFile &ini)
{
    const QRect normal = Normal_Place(window);
    ini.Batch([&] {
        ini.WriteInteger(kSection, kLeft, normal.x());
        ini.WriteInteger(kSection, kTop, normal.y());
        ini.WriteInteger(kSection, kWidth, normal.width());
        ini.WriteInteger(kSection, kHeight, normal.height());
        ini.WriteBool(kSection, kMaximized, window->isMaximized());
        for (const QSplitter *splitter : Named_Splitters(window))
            if (Laid_Out(splitter))
                ini.WriteString(kSection, splitter->objectName(), Sizes_Text(splitter->sizes()));
    });
}

} // namespace TWindowState
