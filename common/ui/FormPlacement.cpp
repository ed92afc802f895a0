// SPDX-License-Identifier: MIT
#include "FormPlacement.h"

#include "common/core/modRegistry.h"

#include <QEvent>
#include <QGuiApplication>
#include <QLocale>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <cmath>

namespace FormPlacement {

namespace {
const QString kGroup = QStringLiteral("Form Settings");
constexpr double kTwipsPerInch = 1440.0;

// Waits for the window's first frame and then gives the frame's size back to the client
// area, once; lets go as soon as the user has resized the window.
class FrameTrimmer final : public QObject {
public:
    FrameTrimmer(QWidget *window, QSize outer) : QObject(window), m_window(window), m_outer(outer)
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        const QEvent::Type t = event->type();
        if (t != QEvent::Move && t != QEvent::Resize && t != QEvent::Show)
            return false;
        const QSize extra = m_window->frameGeometry().size() - m_window->geometry().size();
        if (extra.isNull())
            return false;
        if (m_window->frameGeometry().size() == m_outer + extra && !m_window->isMaximized())
            m_window->resize((m_outer - extra).expandedTo(QSize(1, 1)));
        deleteLater();
        m_window->removeEventFilter(this);
        return false;
    }

private:
    QWidget *m_window;
    QSize m_outer;
};
// The whole desktop in pixels; without any screen, what X11 coordinates can hold.
QRect desktop(const QWidget *window)
{
    const QScreen *screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen || screen->virtualGeometry().isEmpty())
        return QRect(0, 0, 16384, 16384);
    return screen->virtualGeometry();
}
} // namespace

int twipsToPixels(double twips, double dpi)
{
    return int(std::lround(twips * dpi / kTwipsPerInch));
}

int pixelsToTwips(int pixels, double dpi)
{
    return int(std::lround(pixels * kTwipsPerInch / dpi));
}

double logicalDpi(const QWidget *window)
{
    const QScreen *screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInchX() : 96.0;
}

void SaveFormPlacement(const QWidget *window)
{
    if (window->isMinimized())
        return;
    const QString name = window->objectName();
    const double dpi = logicalDpi(window);
    const QRect r = window->frameGeometry();
    const auto save = [&](const char *suffix, int pixels) {
        modRegistry::SaveProperty(kGroup, name, name + QLatin1String(suffix),
                                  QString::number(pixelsToTwips(pixels, dpi)));
    };
    save("_Left", r.x());
    save("_Top", r.y());
    save("_Width", r.width());
    save("_Height", r.height());
}

Result<> RestoreFormPlacement(QWidget *window)
{
    const QString name = window->objectName();
    const double dpi = logicalDpi(window);
    // What a window may reasonably have: a size of at least one pixel and at most twice the
    // desktop, a position at most one desktop beyond its edges (a screen since unplugged).
    // Anything else (1e12, inf, nan, a negative size) would wrap or vanish on the way to the
    // window system.
    const QRect desk = desktop(window);
    const auto within = [](double v, double low, double high) {
        return std::isfinite(v) && v >= low && v <= high;
    };
    QStringList bad;
    const auto read = [&](const char *suffix, const char *fallback, double low, double high) {
        const QString valueName = name + QLatin1String(suffix);
        const QString text = modRegistry::GetProperty(kGroup, name, valueName, QLatin1String(fallback));
        bool ok = false;
        double twips = QLocale::system().toDouble(text, &ok);
        if (!ok)
            twips = QLocale::c().toDouble(text, &ok);
        if (!ok || !within(twips * dpi / kTwipsPerInch, low, high)) {
            bad << QStringLiteral("%1 (\"%2\")").arg(valueName, text);
            twips = QLocale::c().toDouble(QLatin1String(fallback));
        }
        return twipsToPixels(twips, dpi);
    };
    const int left = read("_Left", "1000", desk.left() - desk.width(), desk.right() + desk.width());
    const int top = read("_Top", "1000", desk.top() - desk.height(), desk.bottom() + desk.height());
    const int width = read("_Width", "6500", 1, 2.0 * desk.width());
    const int height = read("_Height", "6500", 1, 2.0 * desk.height());

    // The stored size is the outer one, but a window not yet shown has no frame: it is
    // sized as if the frame were nil and trimmed once the window manager has framed it,
    // or it would grow by a title bar at every start.
    const QSize frameExtra = window->frameGeometry().size() - window->geometry().size();
    window->move(left, top);
    window->resize(std::max(1, width - frameExtra.width()), std::max(1, height - frameExtra.height()));
    if (frameExtra.isNull() && !window->isVisible())
        new FrameTrimmer(window, QSize(width, height));
    if (bad.isEmpty())
        return {};
    return fail(QCoreApplication::translate("FormPlacement",
                                            "The stored window placement %1 is not a number within the "
                                            "screen's range; the default is used.")
                    .arg(bad.join(QStringLiteral(", "))));
}

} // namespace FormPlacement
