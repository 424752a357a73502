#include <QApplication>
#include <QTextStream>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QTextStream(stderr) << "dyt-client: the desktop client is not built yet\n";
    return 1;
}
