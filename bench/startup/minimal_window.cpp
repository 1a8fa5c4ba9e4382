// The yardstick of the start-up benchmark: the least a Qt Widgets program
// does to show one empty window of the main window's size.
#include <QApplication>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QWidget window;
    window.setFixedSize(463, 368);
    window.show();
    return QApplication::exec();
}
