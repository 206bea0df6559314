// A seeded switch on a file (readers need one), served over TCP.
#pragma once

#include <QTemporaryDir>

#include "SwitchFixture.h"
#include "SwitchServer.h"

class FileSwitchTest : public ::testing::Test {
protected:
    void Open(int64_t subscribers) {
        ASSERT_TRUE(dir.isValid());
        std::string error;
        ASSERT_TRUE(sw.Open(file, error)) << error;
        ASSERT_TRUE(mmlsw::SeedDemo(sw, {subscribers}, error)) << error;
    }
    void Serve(const mmlsw::SServerOptions& options = {}) {
        server = std::make_unique<mmlsw::CSwitchServer>(sw, options);
        std::string error;
        ASSERT_TRUE(server->Listen(QHostAddress::LocalHost, 0, error)) << error;
    }
    quint16 Port() const { return server->Port(); }

    QTemporaryDir dir;
    const std::string file = dir.path().toStdString() + "/switch.db";
    mmlsw::CSwitch sw{HostDatabase()};
    std::unique_ptr<mmlsw::CSwitchServer> server;
};
