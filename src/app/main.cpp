#include "QUORVANT.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QUORVANT window;
    window.show();
    return app.exec();
}
