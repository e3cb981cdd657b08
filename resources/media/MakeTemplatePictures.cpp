// dawnbell-template-pictures: draws the background pictures of the five built-in
// templates for every screen class, "<prefix><suffix>.jpg" at the class's
// resolution, into the folder given as the only argument. Run at build time with
// the offscreen platform (text needs a GUI application, not a display).
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>
#include <cstdio>

namespace {

// Screen classes 0-10: picture suffix and display size in pixels.
struct ScreenSize {
    const char* suffix;
    int width;
    int height;
};
const ScreenSize kScreens[] = {
    {"QVGA", 240, 320},          {"QVGALandscape", 320, 240}, {"QVGASquare", 320, 320}, {"VGA", 480, 640},
    {"VGALandscape", 640, 480},  {"VGASquare", 480, 480},     {"WQVGA", 240, 400},      {"WQVGALandscape", 400, 240},
    {"WVGA", 480, 800},          {"WVGALandscape", 800, 480}, {"Square", 240, 240},
};

// A template's picture: its prefix, caption and the template's two colours (RGB).
struct Theme {
    const char* prefix;
    const char* caption;
    QColor back;
    QColor accent;
};
const Theme kThemes[] = {
    {"morning", "Morning Mist", QColor(250, 180, 10), QColor(150, 0, 0)},
    {"bigben", "High Noon", QColor(50, 64, 130), QColor(200, 220, 250)},
    {"medication", "Medication", QColor(0, 0, 0), QColor(250, 180, 10)},
    {"meeting", "Meeting", QColor(255, 255, 255), QColor(80, 80, 80)},
    {"pizza", "Pizza Timer", QColor(150, 0, 0), QColor(250, 60, 60)},
};

void DrawMorning(QPainter& p, const QRectF& r, const Theme& t)
{
    const double s = std::min(r.width(), r.height());
    const QPointF sun(r.center().x(), r.top() + r.height() * 0.58);
    QRadialGradient glow(sun, s * 0.45);
    glow.setColorAt(0, QColor(255, 240, 170, 230));
    glow.setColorAt(1, QColor(255, 240, 170, 0));
    p.setBrush(glow);
    p.setPen(Qt::NoPen);
    p.drawEllipse(sun, s * 0.45, s * 0.45);
    p.setBrush(QColor(255, 225, 120));
    p.drawEllipse(sun, s * 0.16, s * 0.16);
    // Two layers of hills in front of the sun, and bands of mist.
    for (int layer = 0; layer < 2; ++layer) {
        QPainterPath hills;
        const double base = r.top() + r.height() * (0.62 + 0.08 * layer);
        hills.moveTo(r.left(), r.bottom());
        hills.lineTo(r.left(), base);
        for (int i = 0; i <= 40; ++i) {
            const double x = r.left() + r.width() * i / 40.0;
            hills.lineTo(x, base - s * 0.05 * std::sin(i * 0.35 + layer * 1.7) - s * 0.03 * layer);
        }
        hills.lineTo(r.right(), r.bottom());
        p.setBrush(layer == 0 ? t.accent.lighter(160) : t.accent);
        p.drawPath(hills);
    }
    p.setBrush(QColor(255, 255, 255, 60));
    for (int i = 0; i < 3; ++i)
        p.drawRoundedRect(QRectF(r.left() - s * 0.1 + i * s * 0.2, r.top() + r.height() * (0.66 + 0.07 * i),
                                 r.width() * 0.7, s * 0.035), s * 0.02, s * 0.02);
}

void DrawClock(QPainter& p, const QRectF& r, const Theme& t)
{
    const double s = std::min(r.width(), r.height()) * 0.34;
    const QPointF c(r.center().x(), r.top() + r.height() * 0.45);
    p.setPen(QPen(t.accent, s * 0.06));
    p.setBrush(QColor(255, 250, 235, 40));
    p.drawEllipse(c, s, s);
    for (int h = 0; h < 12; ++h) {
        const double a = h * M_PI / 6;
        const QPointF d(std::sin(a), -std::cos(a));
        p.setPen(QPen(t.accent, s * (h % 3 == 0 ? 0.06 : 0.03), Qt::SolidLine, Qt::RoundCap));
        p.drawLine(c + d * s * 0.78, c + d * s * 0.9);
    }
    // Both hands at twelve.
    p.setPen(QPen(t.accent, s * 0.07, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c, c + QPointF(0, -s * 0.5));
    p.setPen(QPen(t.accent, s * 0.045, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c, c + QPointF(0, -s * 0.72));
    p.setBrush(t.accent);
    p.drawEllipse(c, s * 0.06, s * 0.06);
}

void DrawPill(QPainter& p, const QRectF& r, const Theme& t)
{
    const double s = std::min(r.width(), r.height()) * 0.5;
    p.save();
    p.translate(r.center().x(), r.top() + r.height() * 0.45);
    p.rotate(-35);
    const QRectF capsule(-s * 0.6, -s * 0.22, s * 1.2, s * 0.44);
    QPainterPath left, right;
    left.addRoundedRect(capsule, s * 0.22, s * 0.22);
    right = left;
    QPainterPath leftHalf, rightHalf;
    leftHalf.addRect(QRectF(capsule.left(), capsule.top(), capsule.width() / 2, capsule.height()));
    rightHalf.addRect(QRectF(0, capsule.top(), capsule.width() / 2, capsule.height()));
    p.setPen(Qt::NoPen);
    p.setBrush(t.accent);
    p.drawPath(left.intersected(leftHalf));
    p.setBrush(QColor(245, 245, 245));
    p.drawPath(right.intersected(rightHalf));
    p.setBrush(QColor(255, 255, 255, 90));
    p.drawRoundedRect(QRectF(capsule.left() + s * 0.1, capsule.top() + s * 0.06, capsule.width() - s * 0.2, s * 0.08),
                      s * 0.04, s * 0.04);
    p.restore();
}

void DrawCalendar(QPainter& p, const QRectF& r, const Theme& t)
{
    const double s = std::min(r.width(), r.height()) * 0.55;
    const QRectF page(r.center().x() - s / 2, r.top() + r.height() * 0.45 - s / 2, s, s);
    p.setPen(QPen(t.accent, s * 0.02));
    p.setBrush(QColor(250, 250, 250));
    p.drawRoundedRect(page, s * 0.06, s * 0.06);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(70, 110, 180));
    p.drawRoundedRect(QRectF(page.left(), page.top(), s, s * 0.22), s * 0.06, s * 0.06);
    p.setBrush(t.accent);
    for (int row = 0; row < 4; ++row) {
        for (int col = 0; col < 5; ++col) {
            const QRectF cell(page.left() + s * (0.1 + col * 0.17), page.top() + s * (0.32 + row * 0.16), s * 0.1,
                              s * 0.09);
            p.setBrush(row == 2 && col == 3 ? QColor(220, 60, 60) : t.accent.lighter(170));
            p.drawRect(cell);
        }
    }
}

void DrawPizza(QPainter& p, const QRectF& r, const Theme& t)
{
    const double s = std::min(r.width(), r.height()) * 0.36;
    const QPointF c(r.center().x(), r.top() + r.height() * 0.45);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(225, 170, 90));
    p.drawEllipse(c, s, s);
    p.setBrush(QColor(250, 215, 110));
    p.drawEllipse(c, s * 0.86, s * 0.86);
    p.setBrush(t.accent);
    const double spots[][2] = {{0.3, 0.2}, {-0.4, 0.1}, {0.1, -0.45}, {-0.2, 0.5}, {0.5, -0.3}, {-0.45, -0.35},
                               {0.0, 0.0}};
    for (const auto& d : spots)
        p.drawEllipse(c + QPointF(d[0], d[1]) * s, s * 0.12, s * 0.12);
    p.setPen(QPen(QColor(200, 140, 70), s * 0.025));
    for (int i = 0; i < 4; ++i) {
        const double a = i * M_PI / 4;
        p.drawLine(c - QPointF(std::cos(a), std::sin(a)) * s * 0.86, c + QPointF(std::cos(a), std::sin(a)) * s * 0.86);
    }
}

QImage Draw(const Theme& t, int index, int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(0, 0, width, height);
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    const bool dark = std::max({t.back.red(), t.back.green(), t.back.blue()}) < 128;
    // lighter() leaves black black: a black template gets a night-blue top.
    const QColor top = t.back == QColor(0, 0, 0) ? QColor(40, 40, 60) : dark ? t.back.lighter(220) : t.back.darker(115);
    g.setColorAt(0, top);
    g.setColorAt(1, dark ? t.back : t.back.lighter(105));
    p.fillRect(r, g);
    switch (index) {
    case 0: DrawMorning(p, r, t); break;
    case 1: DrawClock(p, r, t); break;
    case 2: DrawPill(p, r, t); break;
    case 3: DrawCalendar(p, r, t); break;
    default: DrawPizza(p, r, t); break;
    }
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setPixelSize(std::max(12, std::min(width, height) / 14));
    p.setFont(font);
    const QRectF band(0, height * 0.82, width, height * 0.14);
    p.setPen(QColor(0, 0, 0, 110));
    p.drawText(band.translated(1.5, 1.5), Qt::AlignCenter, QString::fromLatin1(t.caption));
    p.setPen(index == 3 ? QColor(40, 40, 40) : QColor(250, 250, 250)); // dark only on the white meeting page
    p.drawText(band, Qt::AlignCenter, QString::fromLatin1(t.caption));
    return image;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: dawnbell-template-pictures OUTPUT-FOLDER\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "dawnbell-template-pictures: cannot make %s\n", argv[1]);
        return 1;
    }
    int index = 0;
    for (const Theme& t : kThemes) {
        for (const ScreenSize& s : kScreens) {
            const QString name = folder + QLatin1Char('/') + QLatin1String(t.prefix) + QLatin1String(s.suffix) +
                                 QStringLiteral(".jpg");
            if (!Draw(t, index, s.width, s.height).save(name, "JPEG", 80)) {
                std::fprintf(stderr, "dawnbell-template-pictures: cannot write %s\n", qPrintable(name));
                return 1;
            }
        }
        ++index;
    }
    return 0;
}
