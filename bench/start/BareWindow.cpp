// The yardstick of the start benchmark: a bare Qt Widgets program that creates a window of the
// given size, shows it, lets it paint, closes it and ends.
//
//   kestrune_bare_window WIDTH HEIGHT
#include <QApplication>
#include <QTimer>
#include <QWidget>

int main(int argc, char** argv) {
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    const int width = argc > 2 ? std::atoi(argv[1]) : 200;
    const int height = argc > 2 ? std::atoi(argv[2]) : 200;
    QWidget window;
    window.resize(width, height);
    window.show();
    // Closed once the event loop has shown and painted it.
    QTimer::singleShot(0, &window, [&] {
        window.repaint();
        window.close();
        app.quit();
    });
    return app.exec();
}
