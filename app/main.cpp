// Program entry: the Quillbase desktop program.
#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Quillbase");
  QMainWindow window;
  window.setWindowTitle("Quillbase");
  window.showMaximized();
  return QApplication::exec();
}
