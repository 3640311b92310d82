// The program's entry: module start-ups in dependency order, the
// application object, the main window, the message loop, then the clean-ups
// in reverse order.
#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Dravlen");
  QMainWindow window;
  window.setWindowTitle("Dravlen");
  window.resize(900, 650);
  window.show();
  return app.exec();
}
