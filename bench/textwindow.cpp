// Beside the bare window: the least a window with text does. What it adds to
// the bare window is what showing any text costs, whatever the program: the
// system's font configuration read, the font database filled, a font loaded
// and its glyphs drawn.
#include <QApplication>
#include <QLabel>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QLabel window(QStringLiteral("Page 1 of 5"));
    window.resize(640, 480);
    window.show();
    return QApplication::exec();
}
