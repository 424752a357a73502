#pragma once
// Set-up of the login tests: the data-module fixture plus a configuration file in a fresh
// folder and a login object without a previous state.

#include <QTemporaryDir>

#include "client/logic/clientconfig.h"
#include "client/common/syslogin.h"
#include "dmtest_support.h"

namespace dyt::test {

class LoginFixture : public DmFixture {
protected:
    void SetUp() override {
        DmFixture::SetUp();
        ASSERT_TRUE(dir.isValid());
        client::openClientConfig(dir.path());
        client::sysLogin().LoggedIn = false;
        client::sysLogin().setProgramEnding(false);
    }
    void TearDown() override {
        client::sysLogin().LoggedIn = false;
        client::sysLogin().setProgramEnding(false);
        client::closeClientConfig();
        DmFixture::TearDown();
    }
    client::ClientConfig& config() { return client::clientConfig(); }

    QTemporaryDir dir;
};

}  // namespace dyt::test
