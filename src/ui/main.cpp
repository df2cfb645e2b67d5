// `vedrareader`: the desktop program.
#include "ui/CScovaroApp.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VedraReader"));
    return vedra::ui::CScovaroApp().run();
}
