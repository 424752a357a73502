#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream(stderr) << "dyt-server: the application server is not built yet\n";
    return 1;
}
