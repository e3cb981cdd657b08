// A stand-in for a phone program's call screen under a Wayland compositor: one
// plain window whose application id is the first argument (as a desktop file
// name), shown until the program is ended.
#include <QGuiApplication>
#include <QPainter>
#include <QRasterWindow>

namespace {
class CallScreen : public QRasterWindow {
protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(QRect(QPoint(), size()), Qt::darkGreen); }
};
} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc > 1)
        QGuiApplication::setDesktopFileName(QString::fromLocal8Bit(argv[1]));
    CallScreen window;
    window.resize(200, 300);
    window.show();
    return app.exec();
}
