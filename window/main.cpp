#include <QApplication>

#include "Unit1.h"
#include "x87.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  calc::x87::EstablishEnvironment();
  calc::TForm1 form;
  form.show();
  return QApplication::exec();
}
