#pragma once
// The client configuration file "dytv1config.ini" in the program folder. One object for the whole
// run, opened once; every key of the client lives in section "_CLIENT_". Each change is written to
// the file at once.

#include <QString>

#include <memory>

#include "client/logic/fixedtext.h"

namespace dyt {
class IniFile;
}

namespace dyt::client {

class ClientConfig {
public:
    // Binds the file "dytv1config.ini" of the folder (read when it exists).
    explicit ClientConfig(const QString& programDir);
    ~ClientConfig();
    ClientConfig(const ClientConfig&) = delete;
    ClientConfig& operator=(const ClientConfig&) = delete;

    static QString fileNameOf();  // "dytv1config.ini"
    static QString section();     // "_CLIENT_"

    QString fileName() const;
    // A value of section "_CLIENT_"; the default when the key is missing.
    QString read(const QString& key, const QString& defaultValue = QString()) const;
    // Writes the value to the file; throws DytError when it cannot be stored.
    void write(const QString& key, const QString& value);

    // The underlying file, for windows that keep choices in sections of their own.
    IniFile& ini() { return *ini_; }

private:
    std::unique_ptr<IniFile> ini_;
};

// Keys of section "_CLIENT_".
namespace configkey {
inline constexpr FixedText serverIp{u"ServerIP"};
inline constexpr FixedText loginMode{u"cb1"};
inline constexpr FixedText remember{u"cb2"};
inline constexpr FixedText profileName{u"ProfileName"};
inline constexpr FixedText userId{u"UserId"};
inline constexpr FixedText clientId{u"ClientID"};
}  // namespace configkey

// Opens the process's configuration file in the folder (the folder of the running program when
// empty); a second call replaces the first object. Returns it.
ClientConfig& openClientConfig(const QString& programDir = QString());
// The process's configuration file; opened in the program folder on first use.
ClientConfig& clientConfig();
// Drops the process's object (tests).
void closeClientConfig();

}  // namespace dyt::client
