// The floor of the idle benchmark: a bare Qt window of about the main window's
// size whose only work is a small label showing the time with seconds, set once
// a second, so each second repaints the label's region and nothing else.
// Whatever a window that shows seconds costs on top of this is its own.
//   bench_idle_floor      (runs until it is closed or sent SIGTERM)
#include <QApplication>
#include <QLabel>
#include <QTime>
#include <QTimer>
#include <QWidget>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Idle floor"));
    window.resize(400, 600);
    QLabel label(&window);
    QFont font = label.font();
    font.setPointSize(28);
    label.setFont(font);
    label.setText(QStringLiteral("00:00:00"));
    label.adjustSize(); // the widest text; the label keeps this size
    label.move((window.width() - label.width()) / 2, 40);
    // One text a second: the same text is never set twice, so each tick repaints once.
    const auto show = [&label] { label.setText(QTime::currentTime().toString(QStringLiteral("HH:mm:ss"))); };
    show();
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, show);
    tick.start(1000);
    window.show();
    return app.exec();
}
