#include <QApplication>
#include <QMainWindow>
#include <QTabWidget>

// Start-up: for now the main window holds only its page control; the pages
// and the links are added as they are built.
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Varnex");
    QMainWindow window;
    window.setObjectName("FormMain");
    window.setWindowTitle("Varnex");
    auto* pages = new QTabWidget(&window);
    pages->setObjectName("PageControl1");
    window.setCentralWidget(pages);
    window.resize(824, 638);
    window.show();
    return app.exec();
}
