#include <QApplication>
#include <QMainWindow>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName("Vireo");
    QMainWindow window;
    window.setWindowTitle("Vireo");
    window.show();
    return app.exec();
}
