#include "client/logic/clientconfig.h"

#include <QCoreApplication>
#include <QDir>

#include "common/inifile.h"

namespace dyt::client {

ClientConfig::ClientConfig(const QString& programDir)
    : ini_(std::make_unique<IniFile>(QDir(programDir).filePath(fileNameOf()))) {
    ini_->setWriteThrough(true);
}

ClientConfig::~ClientConfig() = default;

QString ClientConfig::fileNameOf() {
    return QStringLiteral("dytv1config.ini");
}

QString ClientConfig::section() {
    return QStringLiteral("_CLIENT_");
}

QString ClientConfig::fileName() const {
    return ini_->fileName();
}

QString ClientConfig::read(const QString& key, const QString& defaultValue) const {
    return ini_->readString(section(), key, defaultValue);
}

void ClientConfig::write(const QString& key, const QString& value) {
    ini_->writeString(section(), key, value);
}

namespace {
std::unique_ptr<ClientConfig>& configSlot() {
    static std::unique_ptr<ClientConfig> config;
    return config;
}
}  // namespace

ClientConfig& openClientConfig(const QString& programDir) {
    const QString dir = programDir.isEmpty() ? QCoreApplication::applicationDirPath() : programDir;
    configSlot() = std::make_unique<ClientConfig>(dir);
    return *configSlot();
}

ClientConfig& clientConfig() {
    if (!configSlot())
        openClientConfig();
    return *configSlot();
}

void closeClientConfig() {
    configSlot().reset();
}

}  // namespace dyt::client
