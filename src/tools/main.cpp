#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream(stderr) << "dyt-cli: no commands yet\n";
    return 2;
}
