#include "app/MainWindow.h"
#include "midi/RtMidiDriver.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    RtMidiDriver midi;
    Platform platform;
    platform.midi = &midi;
    MainWindow window(platform);
    window.show();
    return app.exec();
}
