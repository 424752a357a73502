#include "client/common/windowregistry.h"

#include <QHash>

namespace dyt::client {

namespace {

struct Entry {
    QString name;
    WindowFactory factory;
};

QHash<QString, Entry>& classes() {
    static QHash<QString, Entry> map;
    return map;
}

}  // namespace

void registerWindowClass(const QString& className, WindowFactory factory) {
    classes().insert(className.toLower(), Entry{className, std::move(factory)});
}

bool windowClassRegistered(const QString& className) {
    return classes().contains(className.toLower());
}

QWidget* createWindow(const QString& className, QWidget* owner) {
    const auto it = classes().constFind(className.toLower());
    if (it == classes().constEnd() || !it->factory)
        return nullptr;
    return it->factory(owner);
}

QStringList registeredWindowClasses() {
    QStringList names;
    for (const Entry& e : classes())
        names.append(e.name);
    names.sort(Qt::CaseInsensitive);
    return names;
}

BillOpener& billOpener() {
    static BillOpener opener;
    return opener;
}

std::function<void(int)>& functionOpener() {
    static std::function<void(int)> opener;
    return opener;
}

}  // namespace dyt::client
